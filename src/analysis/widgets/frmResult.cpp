#include "analysis/widgets/frmResult.h"

#include "analysis/widgets/ResultTextView.h"
#include "shell/Twips.h"
#include "shell/widgets/ctrlWindowContainer.h"

#include <QFrame>
#include <QTabBar>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kDesignWidth = 10155;
constexpr int kDesignHeight = 6165;

QString tabCaption(const QString& caption)
{
    return u"  "_s + caption + u"  "_s;
}

} // namespace

frmResult::frmResult(QWidget* parent)
    : QWidget(parent)
    , m_frame(new ctrlWindowContainer(this))
    , m_pane(new QFrame(this))
    , m_tabs(new QTabBar(this))
    , m_treePanel(new QWidget(this))
    , m_wsdlPanel(new QWidget(this))
{
    setObjectName(u"frmResult"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    m_frame->setShowmenu(false);
    m_frame->setShowMaximizeButton(false);
    m_frame->setShowMinimizeButton(false);
    setCaption(u"-"_s);
    connect(m_frame, &ctrlWindowContainer::WindowClose, this, &QWidget::close);

    m_pane->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    m_tabs->setObjectName(u"TabStrip1"_s);
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(false);
    QFont tabFont = m_tabs->font();
    tabFont.setPointSizeF(8.25);
    m_tabs->setFont(tabFont);
    m_tabs->addTab(tabCaption(u"Log"_s));

    for (int i = 0; i < int(m_pages.size()); ++i) {
        m_pages[i] = new ResultTextView(this);
        m_pages[i]->setObjectName(u"txtResult"_s + QString::number(i));
        m_pages[i]->setVisible(i == 0);
    }
    m_pages[0]->setFollowEnd(true);
    m_kinds[0] = LogPage;
    m_treePanel->setObjectName(u"ctrlDocElements"_s);
    m_wsdlPanel->setObjectName(u"ctrlStoreWebService"_s);
    m_treePanel->hide();
    m_wsdlPanel->hide();

    connect(m_tabs, &QTabBar::currentChanged, this, &frmResult::switchTab);
    resize(Twips::toPx(kDesignWidth), Twips::toPx(kDesignHeight));
}

frmResult::~frmResult() = default;

void frmResult::AddToLog(const QString& message)
{
    m_pages[0]->appendText(u" "_s + message + u"\r\n"_s);
}

void frmResult::AddResultTab(const QString& sCaption, int lType, bool bSelect)
{
    if (m_tabCount >= kMaxTabs) {
        AddToLog(u"\r\n<ERROR> Too many requests/responses. Process stopped. <ERROR>"_s);
        return;
    }
    ++m_tabCount;
    // The kind is stored before selecting, so that a selected panel tab shows its panel.
    m_kinds[m_tabCount] = lType;
    m_tabs->addTab(tabCaption(sCaption));
    if (bSelect)
        m_tabs->setCurrentIndex(m_tabCount);
}

void frmResult::AddResultText(const QByteArray& sText)
{
    m_pages[m_tabCount]->appendBytes(sText);
}

void frmResult::ClearResults()
{
    m_pages[0]->show();
    m_pages[0]->clear();
    m_kinds[0] = LogPage;
    for (int i = int(m_pages.size()) - 1; i >= 1; --i) {
        m_pages[i]->hide();
        m_pages[i]->clear();
        m_kinds[i] = NoPage;
    }
    m_tabCount = 0;
    m_tabs->setCurrentIndex(0);
    while (m_tabs->count() > 1)
        m_tabs->removeTab(m_tabs->count() - 1);
    setCaption(u"-"_s);
    // The element tree panel is cleared here once it exists.
}

void frmResult::setCaption(const QString& caption)
{
    m_frame->setCaption(caption);
    setWindowTitle(caption);
}

int frmResult::pageKind(int index) const
{
    return index >= 0 && index < int(m_kinds.size()) ? m_kinds[index] : NoPage;
}

ResultTextView* frmResult::txtResult(int index) const
{
    return index >= 0 && index < int(m_pages.size()) ? m_pages[index] : nullptr;
}

void frmResult::switchTab(int index)
{
    if (index < 0)
        return;
    m_wsdlPanel->hide();
    m_pages[m_currentTab]->hide();
    m_treePanel->hide();
    m_currentTab = index;
    if (m_kinds[index] == ElementTreePage)
        m_treePanel->show();
    else if (m_kinds[index] == WsdlPage)
        m_wsdlPanel->show();
    else
        m_pages[index]->show();
}

void frmResult::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutPages();
}

void frmResult::layoutPages()
{
    const int width = Twips::fromPx(this->width());
    const int height = Twips::fromPx(this->height());
    m_frame->setGeometry(0, 0, this->width(), this->height());

    const int stripLeft = 120;
    const int stripTop = 420;
    const int stripWidth = width - 240;
    const int stripHeight = height - 540;
    // The tab row sits at the top of the strip's rectangle, the pane frames the rest.
    const int tabRow = Twips::fromPx(m_tabs->sizeHint().height());
    m_tabs->setGeometry(Twips::rect(stripLeft, stripTop, stripWidth, tabRow));
    m_pane->setGeometry(
        Twips::rect(stripLeft, stripTop + tabRow - 15, stripWidth, stripHeight - tabRow + 15));
    m_tabs->raise();

    // Pages start 420 twips into the strip, or lower where a large font makes the tabs taller.
    const int pageTop = std::max(420, tabRow + 45);
    const QRect page = Twips::rect(stripLeft + 45, stripTop + pageTop, stripWidth - 90,
                                   stripHeight - 480 - (pageTop - 420));
    for (ResultTextView* p : m_pages)
        p->setGeometry(page);
    m_treePanel->setGeometry(page);
    m_wsdlPanel->setGeometry(page);
}
