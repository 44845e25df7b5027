#include "persistence/widgets/frmCookies.h"

#include "message/Cookie.h"
#include "persistence/AppData.h"
#include "shell/MessageSink.h"
#include "shell/Twips.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int kColumns = 5;
constexpr int kHostRole = Qt::UserRole;
constexpr int kIsHostRole = Qt::UserRole + 1;
const QColor kBlockedColor(255, 192, 192);

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

frmCookies::frmCookies(AppData& app, MessageSink& messages, QWidget* parent)
    : FramedWindow(u"Stored persistent cookies"_s, 10000, 3915, parent)
    , m_app(app)
    , m_messages(messages)
    , flxCookies(new QTableWidget(0, kColumns, content()))
    , cmdDelete(new QPushButton(u"Delete"_s, content()))
{
    setObjectName(u"frmCookies"_s);
    flxCookies->setObjectName(u"flxCookies"_s);
    flxCookies->setHorizontalHeaderLabels(
        { u"Host"_s, u"Name"_s, u"Value"_s, u"Path"_s, u"Expires"_s });
    const int widths[kColumns] = { 1500, 1500, 2500, 1000, 3000 };
    for (int c = 0; c < kColumns; ++c)
        flxCookies->setColumnWidth(c, Twips::toPx(widths[c]));
    flxCookies->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    flxCookies->horizontalHeader()->setStretchLastSection(true);
    flxCookies->verticalHeader()->hide();
    flxCookies->setEditTriggers(QAbstractItemView::NoEditTriggers);
    flxCookies->setSelectionBehavior(QAbstractItemView::SelectRows);
    flxCookies->setSelectionMode(QAbstractItemView::SingleSelection);
    cmdDelete->setObjectName(u"cmdDelete"_s);
    cmdDelete->setEnabled(false);

    auto* rows = new QVBoxLayout(content());
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addWidget(flxCookies, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdDelete);
    rows->addLayout(buttons);

    connect(flxCookies, &QTableWidget::cellClicked, this, &frmCookies::cellClicked);
    connect(flxCookies, &QTableWidget::itemSelectionChanged, this, &frmCookies::updateDeleteButton);
    connect(cmdDelete, &QPushButton::clicked, this, &frmCookies::cmdDelete_Click);
    m_app.cookies().setViewer(this);
}

frmCookies::~frmCookies()
{
    m_app.cookies().setViewer(nullptr);
}

int frmCookies::hostRow(const QString& host) const
{
    for (int row = 0; row < flxCookies->rowCount(); ++row) {
        const QTableWidgetItem* item = flxCookies->item(row, 0);
        if (item->data(kIsHostRole).toBool()
            && item->text().compare(host, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}

int frmCookies::cookieRow(const QString& host, const QString& name) const
{
    const int first = hostRow(host);
    if (first < 0)
        return -1;
    // Cookie names are case-sensitive (RFC 6265): "SID" and "sid" are two cookies.
    for (int row = first + 1; row < flxCookies->rowCount() && isCookieRow(row); ++row) {
        if (flxCookies->item(row, 1)->text() == name)
            return row;
    }
    return -1;
}

bool frmCookies::isCookieRow(int row) const
{
    const QTableWidgetItem* item = flxCookies->item(row, 0);
    return item && !item->data(kIsHostRole).toBool();
}

qint32 frmCookies::AddCookie(const Cookie& cookie)
{
    if (cookie.Expires.isEmpty())
        return 0;
    flxCookies->setUpdatesEnabled(false);
    int host = hostRow(cookie.Host());
    if (host < 0) {
        host = flxCookies->rowCount();
        flxCookies->insertRow(host);
        QTableWidgetItem* heading = cell(cookie.Host());
        heading->setData(kIsHostRole, true);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        flxCookies->setItem(host, 0, heading);
        for (int c = 1; c < kColumns; ++c)
            flxCookies->setItem(host, c, cell(QString()));
        // A host name is longer than its column; the heading row has all of them.
        flxCookies->setSpan(host, 0, 1, kColumns);
    }
    int row = cookieRow(cookie.Host(), cookie.Name);
    if (row < 0) {
        row = host + 1;
        flxCookies->insertRow(row);
        QTableWidgetItem* box = cell(u"block"_s);
        box->setData(kHostRole, cookie.Host());
        flxCookies->setItem(row, 0, box);
        for (int c = 1; c < kColumns; ++c)
            flxCookies->setItem(row, c, cell(QString()));
    }
    flxCookies->item(row, 1)->setText(cookie.Name);
    flxCookies->item(row, 2)->setText(cookie.Value);
    flxCookies->item(row, 3)->setText(cookie.Path);
    flxCookies->item(row, 4)->setText(cookie.Expires);
    // The store's mark is the truth; the row follows it on every refresh.
    setBlocked(row, cookie.Block);
    flxCookies->setUpdatesEnabled(true);
    return 0;
}

void frmCookies::RemoveCookie(const QString& host, const QString& name)
{
    const int row = cookieRow(host, name);
    if (row >= 0)
        removeRow(row);
}

void frmCookies::removeRow(int row)
{
    // The view would move the selection to a neighbour, and Delete would then aim at a
    // cookie the user never chose.
    if (row == flxCookies->currentRow())
        flxCookies->setCurrentCell(-1, -1);
    flxCookies->removeRow(row);
    updateDeleteButton();
}

void frmCookies::setBlocked(int row, bool blocked)
{
    flxCookies->item(row, 0)->setCheckState(blocked ? Qt::Checked : Qt::Unchecked);
    // The tint is light on any desktop, so its text is dark; other rows keep the palette's
    // own colours, which a dark desktop makes light text on dark.
    for (int c = 0; c < kColumns; ++c) {
        QTableWidgetItem* item = flxCookies->item(row, c);
        item->setBackground(blocked ? QBrush(kBlockedColor) : QBrush());
        item->setForeground(blocked ? QBrush(Qt::black) : QBrush());
    }
}

void frmCookies::updateDeleteButton()
{
    const int row = flxCookies->currentRow();
    cmdDelete->setEnabled(row >= 0 && flxCookies->item(row, 0)->isSelected() && isCookieRow(row));
}

void frmCookies::cellClicked(int row, int column)
{
    updateDeleteButton();
    if (column != 0 || !isCookieRow(row))
        return;
    const QString host = flxCookies->item(row, 0)->data(kHostRole).toString();
    const QString name = flxCookies->item(row, 1)->text();
    const bool block = flxCookies->item(row, 0)->checkState() != Qt::Checked;
    setBlocked(row, block);
    CookieStore& store = m_app.cookies();
    const qint32 status
        = block ? store.BlockStoredCookie(host, name) : store.UnblockStoredCookie(host, name);
    // The store has shown why; the row must not claim what the store does not hold.
    if (status != 0) {
        setBlocked(row, !block);
        return;
    }
    m_app.SaveUserDataReported(true);
}

void frmCookies::cmdDelete_Click()
{
    const int row = flxCookies->currentRow();
    if (row < 0 || !isCookieRow(row))
        return;
    const QString host = flxCookies->item(row, 0)->data(kHostRole).toString();
    const QString name = flxCookies->item(row, 1)->text();
    if (!m_messages.askYesNo(u"Permanently remove cookie '"_s + name + u"' ?"_s,
                             u"Please confirm:"_s))
        return;
    if (m_app.cookies().DeleteStoredCookie(host, name) != 0)
        return;
    removeRow(row);
    m_app.SaveUserDataReported(true);
}
