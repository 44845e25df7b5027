#include "persistence/widgets/frmHistory.h"

#include "message/HTTPRequest.h"
#include "persistence/AppData.h"
#include "shell/MessageSink.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTagRole = Qt::UserRole;
constexpr int kUrlRole = Qt::UserRole + 1; // documents: the URL exactly as recorded
constexpr int kServerRole = Qt::UserRole + 2; // hosts
constexpr int kPortRole = Qt::UserRole + 3;
constexpr int kSecureRole = Qt::UserRole + 4;

} // namespace

const QIcon& frmHistory::styleIcon(QStyle::StandardPixmap pixmap) const
{
    // The style decodes an image for every icon it hands out; one per kind serves every entry.
    auto it = m_icons.find(pixmap);
    if (it == m_icons.end())
        it = m_icons.insert(pixmap, QApplication::style()->standardIcon(pixmap));
    return *it;
}

frmHistory::frmHistory(AppData& app, MessageSink& messages, QWidget* parent)
    : FramedWindow(u"History"_s, 8145, 3915, parent)
    , m_app(app)
    , m_messages(messages)
    , TreeView1(new QTreeWidget(content()))
    , m_root(new QTreeWidgetItem(TreeView1, { u"History"_s }))
    , cmdGet(new QPushButton(u"Request"_s, content()))
    , cmdAction(new QPushButton(u"Remove"_s, content()))
{
    setObjectName(u"frmHistory"_s);
    TreeView1->setObjectName(u"TreeView1"_s);
    TreeView1->setHeaderHidden(true);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_root->setData(0, kTagRole, u"root"_s);
    m_root->setIcon(0, styleIcon(QStyle::SP_FileDialogDetailedView));
    m_root->setExpanded(true);
    cmdGet->setObjectName(u"cmdGet"_s);
    cmdGet->setToolTip(u"Make a new request from the selected item"_s);
    cmdAction->setObjectName(u"cmdAction"_s);
    cmdAction->setToolTip(u"Remove the selected item from the history"_s);

    auto* rows = new QVBoxLayout(content());
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addWidget(TreeView1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdGet);
    buttons->addWidget(cmdAction);
    rows->addLayout(buttons);
    updateButtons();

    connect(TreeView1, &QTreeWidget::itemSelectionChanged, this, &frmHistory::updateButtons);
    connect(cmdGet, &QPushButton::clicked, this, &frmHistory::cmdGet_Click);
    connect(cmdAction, &QPushButton::clicked, this, &frmHistory::cmdAction_Click);
    m_app.history().setViewer(this);
}

frmHistory::~frmHistory()
{
    m_app.history().setViewer(nullptr);
}

QTreeWidgetItem* frmHistory::child(QTreeWidgetItem* parent, const QString& text, const QString& tag,
                                   const QString& url) const
{
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem* item = parent->child(i);
        if (item->data(0, kTagRole).toString() != tag)
            continue;
        // Paths are case-sensitive; a document is its exact URL.
        if (tag == "document"_L1 ? item->data(0, kUrlRole).toString() == url
                                 : item->text(0) == text)
            return item;
    }
    return nullptr;
}

qint32 frmHistory::AddToHistory(const QString& serverAndPort, const QString& url, bool secure)
{
    QTreeWidgetItem* host = nullptr;
    for (int i = 0; i < m_root->childCount() && !host; ++i) {
        if (m_root->child(i)->text(0).compare(serverAndPort, Qt::CaseInsensitive) == 0)
            host = m_root->child(i);
    }
    if (!host) {
        host = new QTreeWidgetItem(m_root, { serverAndPort });
        host->setData(0, kTagRole, u"host"_s);
        host->setIcon(0, styleIcon(QStyle::SP_DriveNetIcon));
        const qsizetype colon = serverAndPort.lastIndexOf(u':');
        host->setData(0, kServerRole, serverAndPort.left(colon));
        host->setData(0, kPortRole, serverAndPort.mid(colon + 1));
        host->setExpanded(true);
    }
    // The last exchange tells how the server is reached.
    host->setData(0, kSecureRole, secure);

    const QStringList path = HistoryStore::ViewerPath(url);
    QTreeWidgetItem* parent = host;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const bool document = i == path.size() - 1;
        const QString tag = document ? u"document"_s : u"folder"_s;
        QTreeWidgetItem* item = child(parent, path.at(i), tag, url);
        if (!item) {
            item = new QTreeWidgetItem(parent, { path.at(i) });
            item->setData(0, kTagRole, tag);
            item->setIcon(0, styleIcon(document ? QStyle::SP_FileIcon : QStyle::SP_DirIcon));
            if (document)
                item->setData(0, kUrlRole, url);
        }
        parent = item;
    }
    return 0;
}

std::optional<HTTPRequest> frmHistory::RequestFromSelectedItem() const
{
    const QList<QTreeWidgetItem*> selected = TreeView1->selectedItems();
    if (selected.isEmpty() || selected.first()->data(0, kTagRole).toString() != "document"_L1)
        return std::nullopt;
    QTreeWidgetItem* item = selected.first();
    QTreeWidgetItem* host = item;
    while (host && host->data(0, kTagRole).toString() != "host"_L1)
        host = host->parent();
    if (!host)
        return std::nullopt;
    return HistoryStore::RequestFor(
        host->data(0, kServerRole).toString(), host->data(0, kPortRole).toString(),
        host->data(0, kSecureRole).toBool(), item->data(0, kUrlRole).toString());
}

void frmHistory::updateButtons()
{
    const bool document = RequestFromSelectedItem().has_value();
    cmdGet->setEnabled(document);
    cmdAction->setEnabled(document);
}

void frmHistory::cmdGet_Click()
{
    const std::optional<HTTPRequest> request = RequestFromSelectedItem();
    if (request && m_target)
        m_target(*request);
}

void frmHistory::cmdAction_Click()
{
    const std::optional<HTTPRequest> request = RequestFromSelectedItem();
    if (!request)
        return;
    if (m_messages.askYesNo(u"Remove history item?"_s, u"Please confirm:"_s)) {
        // The store has shown why it failed; the item stays, as it is still recorded.
        if (m_app.history().RemoveHistoryItem(*request) != 0)
            return;
        QTreeWidgetItem* item = TreeView1->selectedItems().first();
        QTreeWidgetItem* parent = item->parent();
        delete item;
        while (parent && parent != m_root && parent->childCount() == 0) {
            QTreeWidgetItem* up = parent->parent();
            delete parent;
            parent = up;
        }
        m_app.SaveUserDataReported(true);
    }
    TreeView1->clearSelection();
    updateButtons();
}
