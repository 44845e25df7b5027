#include "editing/widgets/frmRequestHeaders.h"

#include "persistence/widgets/OpenWithShell.h"
#include "shell/Twips.h"
#include "shell/widgets/DialogRunner.h"
#include "shell/widgets/MessageBoxSink.h"
#include "shell/widgets/ctrlFormBar.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kCustomRole = Qt::UserRole;
constexpr int kGreyedRole = Qt::UserRole + 1;

// The headers the send pipeline sets itself.
bool isAutomaticHeader(const QString& name)
{
    const QString lower = name.toLower();
    return lower == "connection"_L1 || lower == "content-length"_L1 || lower == "host"_L1;
}

} // namespace

frmRequestHeaders::frmRequestHeaders(const QList<Configuration::HeaderInfo>& catalogue,
                                     QWidget* parent)
    : FramedDialog(parent)
    , m_list(new QTreeWidget(this))
    , m_add(new QPushButton(u"add"_s, this))
    , m_remove(new QPushButton(u"remove"_s, this))
    , m_help(new QPushButton(u"?"_s, this))
    , m_url(new QLabel(this))
    , m_ok(new QPushButton(u"OK"_s, this))
    , m_cancel(new QPushButton(u"Cancel"_s, this))
{
    setObjectName(u"frmRequestHeaders"_s);
    formBar()->setCaption(u"Request Headers"_s);
    formBar()->setBarColor(1);
    formBar()->setShowCloseButton(false);
    formBar()->setShowMaximizeButton(false);
    formBar()->setShowMinimizeButton(false);
    formBar()->setShowmenu(false);
    setFixedSize(Twips::toPx(7245), Twips::toPx(4005));

    m_list->setObjectName(u"lstHeaders"_s);
    m_add->setObjectName(u"addCustom"_s);
    m_remove->setObjectName(u"cmdRemoveCustom"_s);
    m_help->setObjectName(u"cmdHelp"_s);
    m_url->setObjectName(u"lblURL"_s);
    m_ok->setObjectName(u"cmdOK"_s);
    m_cancel->setObjectName(u"cmdCancel"_s);

    m_list->setColumnCount(2);
    m_list->setHeaderLabels({ u"Header name"_s, u"Description"_s });
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(true);
    m_list->header()->setSectionsMovable(false);

    m_remove->setEnabled(false);
    m_help->setToolTip(referenceUrl());
    m_help->setFixedWidth(m_help->sizeHint().height());
    m_url->setText(u"<a href=\"%1\">Online reference: HTTP/1.1 RFC 2616 Header Field "
                   "Definitions</a>"_s.arg(referenceUrl()));
    m_url->setTextFormat(Qt::RichText);
    m_url->setToolTip(referenceUrl());
    m_ok->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* reference = new QHBoxLayout;
    reference->addWidget(m_help);
    reference->addWidget(m_url, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Twips::toPx(120), formBar()->height() + Twips::toPx(90),
                               Twips::toPx(120), Twips::toPx(90));
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    layout->addLayout(reference);

    // A broken option never stops the list: the configuration hands over only named ones.
    for (const Configuration::HeaderInfo& header : catalogue)
        addEntry(header.name, header.description, false);
    // Whole names matter more than whole descriptions, which their tool tips show in full.
    m_list->resizeColumnToContents(0);
    m_list->setColumnWidth(
        0, std::clamp(m_list->columnWidth(0), Twips::toPx(2000), Twips::toPx(3600)));

    connect(m_list, &QTreeWidget::currentItemChanged, this, &frmRequestHeaders::updateRemoveButton);
    connect(m_list, &QTreeWidget::itemClicked, this, &frmRequestHeaders::updateRemoveButton);
    connect(m_add, &QPushButton::clicked, this, &frmRequestHeaders::askCustomHeader);
    connect(m_remove, &QPushButton::clicked, this, &frmRequestHeaders::removeCustomHeader);
    connect(m_help, &QPushButton::clicked, this, &frmRequestHeaders::showReference);
    connect(m_url, &QLabel::linkActivated, this, &frmRequestHeaders::showReference);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

frmRequestHeaders::~frmRequestHeaders() = default;

QString frmRequestHeaders::referenceUrl()
{
    // RFC 2616 is obsolete; the field registrations of RFC 9110 list every header field it
    // defines with a link to its section.
    return u"https://www.rfc-editor.org/rfc/rfc9110.html#section-18.4"_s;
}

QTreeWidgetItem* frmRequestHeaders::addEntry(const QString& name, const QString& description,
                                             bool custom)
{
    auto* item = new QTreeWidgetItem(m_list, { name, description });
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    item->setData(0, kCustomRole, custom ? u"custom"_s : QString());
    item->setToolTip(1, description);
    if (isAutomaticHeader(name)) {
        item->setData(0, kGreyedRole, true);
        const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
        item->setForeground(0, grey);
        item->setForeground(1, grey);
    }
    return item;
}

int frmRequestHeaders::entryCount() const
{
    return m_list->topLevelItemCount();
}

QString frmRequestHeaders::entryName(int index) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(index);
    return item ? item->text(0) : QString();
}

bool frmRequestHeaders::isEntryChecked(int index) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(index);
    return item && item->checkState(0) == Qt::Checked;
}

void frmRequestHeaders::setEntryChecked(int index, bool checked)
{
    if (QTreeWidgetItem* item = m_list->topLevelItem(index))
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

bool frmRequestHeaders::isCustomEntry(int index) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(index);
    return item && item->data(0, kCustomRole).toString() == "custom"_L1;
}

bool frmRequestHeaders::isGreyedEntry(int index) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(index);
    return item && item->data(0, kGreyedRole).toBool();
}

bool frmRequestHeaders::AddCustomHeader(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return false;
    QTreeWidgetItem* item = addEntry(trimmed, u"Custom header"_s, true);
    m_list->setCurrentItem(item);
    m_list->scrollToItem(item);
    return true;
}

void frmRequestHeaders::askCustomHeader()
{
    QInputDialog input(this);
    input.setObjectName(u"inputCustomHeader"_s);
    input.setWindowTitle(u"Add custom header"_s);
    input.setLabelText(u"Name:"_s);
    input.setInputMode(QInputDialog::TextInput);
    if (DialogRunner::exec(input) == QDialog::Accepted)
        AddCustomHeader(input.textValue());
    m_list->setFocus();
}

void frmRequestHeaders::removeCustomHeader()
{
    QTreeWidgetItem* item = m_list->currentItem();
    if (!item || item->data(0, kCustomRole).toString() != "custom"_L1)
        return;
    const QString name = item->text(0);
    delete item;
    updateRemoveButton();
    Q_EMIT CustomHeaderRemoved(name);
}

void frmRequestHeaders::showReference()
{
    m_list->setFocus();
    if (const ShellTarget opened = OpenWithShell(referenceUrl()); !opened)
        MessageBoxSink(this).showMessage(opened.error, u"Error"_s, MessageSink::Icon::Warning);
}

void frmRequestHeaders::updateRemoveButton()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    m_remove->setEnabled(item && item->data(0, kCustomRole).toString() == "custom"_L1);
}

void frmRequestHeaders::done(int result)
{
    m_okClicked = result == QDialog::Accepted;
    FramedDialog::done(result);
}
