#include "transport/widgets/ctrlHTTP.h"

#include "shell/Twips.h"
#include "transport/Exchange.h"
#include "transport/widgets/ExchangeLogModel.h"

#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWidth = 5400;
constexpr int kHeight = 3300;
constexpr int kFrameInset = 30;
// Bursts of chunks add lines faster than anyone reads; the view catches up this often.
constexpr int kSyncIntervalMs = 40;

QRect twipsRect(int left, int top, int width, int height)
{
    return { Twips::toPx(left), Twips::toPx(top), Twips::toPx(width), Twips::toPx(height) };
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, QRect geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

// Gives a log line the height its text needs when wrapped to the list's width.
class WrappedLineDelegate final : public QStyledItemDelegate
{
public:
    explicit WrappedLineDelegate(QListView* view)
        : QStyledItemDelegate(view)
        , m_view(view)
    { }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QStyle* style = m_view->style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1;
        const int width = std::max(1, m_view->viewport()->width() - 2 * margin - 1);
        // The list lays every row out again whenever rows are added, and a long exchange logs a
        // line per read: measuring them all each time made the log's upkeep grow with the square
        // of its length. A line's text never changes, so its height holds until the width or
        // font does, or the log is emptied.
        if (width != m_width || option.font != m_font) {
            m_heights.clear();
            m_width = width;
            m_font = option.font;
        }
        const int row = index.row();
        if (row < m_heights.size() && m_heights.at(row) > 0)
            return { width, m_heights.at(row) };
        const QFontMetrics metrics(option.font);
        const QString text = index.data().toString();
        int height = metrics.lineSpacing() + 2;
        // Short lines are known to fit without measuring their text.
        if (text.size() * metrics.maxWidth() > width && metrics.horizontalAdvance(text) > width)
            height = metrics
                         .boundingRect(QRect(0, 0, width, 1 << 20),
                                       Qt::TextWordWrap | Qt::TextWrapAnywhere, text)
                         .height()
                + 2;
        if (row >= m_heights.size())
            m_heights.resize(row + 1, 0);
        m_heights[row] = height;
        return { width, height };
    }

    // The rows were replaced: what was measured belongs to other lines.
    void forget() { m_heights.clear(); }

private:
    QListView* m_view;
    mutable QList<int> m_heights; // by row; 0 where not measured yet
    mutable int m_width = 0;
    mutable QFont m_font;
};

} // namespace

ctrlHTTP::ctrlHTTP(QWidget* parent)
    : QWidget(parent)
    , m_exchange(new Exchange(this))
    , m_logModel(new ExchangeLogModel(*m_exchange, this))
    , lstLog(new QListView(this))
    , cmdCancel(new QPushButton(m_exchange->buttonCaption(), this))
{
    lstLog->setObjectName(u"lstLog"_s);
    lstLog->setGeometry(twipsRect(150, 150, 5100, 2070));
    // Long lines (a connection error, a certificate problem) wrap instead of being cut off.
    lstLog->setWordWrap(true);
    lstLog->setTextElideMode(Qt::ElideNone);
    lstLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstLog->setResizeMode(QListView::Adjust);
    auto* delegate = new WrappedLineDelegate(lstLog);
    lstLog->setItemDelegate(delegate);
    connect(m_logModel, &QAbstractItemModel::modelReset, delegate, &WrappedLineDelegate::forget);
    lstLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstLog->setSelectionMode(QAbstractItemView::SingleSelection);
    lstLog->setModel(m_logModel);

    // Each counter follows its caption, whose width depends on the font.
    const auto counter = [this](const QString& name, const QString& caption, int left) {
        QLabel* label
            = makeLabel(this, name + u"Caption"_s, caption, twipsRect(left, 2310, 1350, 255));
        label->adjustSize();
        QLabel* value = makeLabel(this, name, QString(), twipsRect(left, 2310, 1200, 255));
        value->move(label->geometry().right() + 6, label->y());
        return value;
    };
    lblBytesReceived = counter(u"lblBytesReceived"_s, u"Bytes received:"_s, 150);
    lblBytesSent = counter(u"lblBytesSent"_s, u"Bytes sent:"_s, 3000);
    lblBytesReceived->setText(m_exchange->bytesReceivedText());
    lblBytesSent->setText(m_exchange->bytesSentText());
    // Shown over the request window's controls, which must not show through.
    setAutoFillBackground(true);

    cmdCancel->setObjectName(u"cmdCancel"_s);
    cmdCancel->setGeometry(twipsRect(0, 2745, 1215, 375));

    m_syncTimer.setSingleShot(true);
    m_syncTimer.setInterval(kSyncIntervalMs);
    connect(&m_syncTimer, &QTimer::timeout, this, &ctrlHTTP::sync);

    connect(m_exchange, &Exchange::logLineAdded, this, &ctrlHTTP::scheduleSync);
    connect(m_exchange, &Exchange::byteCountersChanged, this, &ctrlHTTP::scheduleSync);
    connect(m_exchange, &Exchange::repaintRequested, this, &ctrlHTTP::showNow);
    connect(m_exchange, &Exchange::buttonCaptionChanged, cmdCancel, &QPushButton::setText);
    connect(cmdCancel, &QPushButton::clicked, m_exchange, &Exchange::pressButton);

    resize(sizeHint());
    ArrangeControls();
}

ctrlHTTP::~ctrlHTTP() = default;

void ctrlHTTP::Execute(HTTPRequest& request)
{
    m_exchange->Execute(request);
}

QSize ctrlHTTP::sizeHint() const
{
    return { Twips::toPx(kWidth), Twips::toPx(kHeight) };
}

void ctrlHTTP::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeControls();
}

void ctrlHTTP::ArrangeControls()
{
    const int inset = Twips::toPx(kFrameInset);
    m_frame = rect().adjusted(inset, inset, -inset, -inset);
    cmdCancel->move((width() - cmdCancel->width()) / 2, cmdCancel->y());
    update();
}

void ctrlHTTP::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (m_frame.width() < 2 || m_frame.height() < 2)
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    const QRect r = m_frame.adjusted(0, 0, -1, -1);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    painter.drawLine(r.bottomRight(), r.bottomLeft());
    painter.drawLine(r.bottomLeft(), r.topLeft());
}

void ctrlHTTP::scheduleSync()
{
    if (!m_syncTimer.isActive())
        m_syncTimer.start();
}

void ctrlHTTP::sync()
{
    m_syncTimer.stop();
    lblBytesReceived->setText(m_exchange->bytesReceivedText());
    lblBytesSent->setText(m_exchange->bytesSentText());
    lblBytesSent->adjustSize(); // "<sent> of <total>" during an upload
    if (m_logModel->sync()) {
        const QModelIndex last = m_logModel->index(m_logModel->rowCount() - 1);
        lstLog->setCurrentIndex(last);
        lstLog->scrollTo(last);
    }
}

void ctrlHTTP::showNow()
{
    sync();
    repaint();
}
