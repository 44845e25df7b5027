#include "analysis/widgets/frmResult.h"

#include "analysis/ResponseAnalysis.h"
#include "analysis/WsdlAnalysis.h"
#include "analysis/widgets/ResultTextView.h"
#include "analysis/widgets/ctrlDocElements.h"
#include "analysis/widgets/ctrlStoreWebService.h"
#include "message/HTTPResponse.h"
#include "shell/Twips.h"
#include "shell/widgets/MessageBoxSink.h"
#include "shell/widgets/ctrlWindowContainer.h"

#include <QFrame>
#include <QShortcut>
#include <QTabBar>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kDesignWidth = 10155;
constexpr int kDesignHeight = 6165;

// The header block of a response is found within this many bytes or not at all.
constexpr qint64 kHeaderSearch = 64 * 1024;

QString tabCaption(const QString& caption)
{
    return u"  "_s + caption + u"  "_s;
}

const QString kMenuHtml = u"html"_s;
const QString kMenuWsdl = u"wsdl"_s;
const QString kMenuBody = u"body"_s;
const QString kMenuJson = u"json"_s;
const QString kBodyMark = u" [body]"_s;

} // namespace

frmResult::frmResult(QWidget* parent)
    : QWidget(parent)
    , m_frame(new ctrlWindowContainer(this))
    , m_pane(new QFrame(this))
    , m_tabs(new QTabBar(this))
    , m_treePanel(new ctrlDocElements(this))
    , m_wsdlPanel(new ctrlStoreWebService(nullptr, this))
    , m_ownMessages(std::make_unique<MessageBoxSink>(this))
{
    setObjectName(u"frmResult"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    m_frame->setShowmenu(true);
    m_frame->AddMenuItem(u"Body: decoded / raw"_s, kMenuBody);
    m_frame->AddMenuItem(u"Body: as JSON"_s, kMenuJson);
    m_frame->AddMenuItem(u"Analyse HTML elements"_s, kMenuHtml);
    m_frame->AddMenuItem(u"Open as WSDL"_s, kMenuWsdl);
    connect(m_frame, &ctrlWindowContainer::MenuItemClicked, this, &frmResult::menuItemClicked);
    m_treePanel->setMessageSink(m_ownMessages.get());
    connect(m_treePanel, &ctrlDocElements::URLRequested, this, &frmResult::URLRequested);
    connect(m_treePanel, &ctrlDocElements::FormRequested, this, &frmResult::FormRequested);
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
        m_pages[i]->setOwnFindShortcut(false);
    }
    // Ctrl+F finds in the page shown, wherever in the window the focus is (the tab strip too).
    new QShortcut(
        QKeySequence::Find, this, this,
        [this] {
            if (auto* view = qobject_cast<ResultTextView*>(shownPage(m_currentTab)))
                view->showFind();
        },
        Qt::WidgetWithChildrenShortcut);
    m_pages[0]->setFollowEnd(true);
    m_kinds[0] = LogPage;
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

void frmResult::showTiming(const QString& summary)
{
    for (int i = 1; i <= m_tabCount; ++i) {
        if (m_kinds[i] == ResponsePage)
            m_tabs->setTabToolTip(i, summary);
    }
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
        delete m_bodyViews[i];
        m_bodyViews[i] = nullptr;
        m_showBody[i] = false;
    }
    m_treePanel->hide();
    m_wsdlPanel->hide();
    m_tabCount = 0;
    m_tabs->setCurrentIndex(0);
    while (m_tabs->count() > 1)
        m_tabs->removeTab(m_tabs->count() - 1);
    setCaption(u"-"_s);
    m_treePanel->ClearTree();
    m_request = {};
    m_wsdlRequest = {};
    m_wsdlBody = {};
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
    if (m_bodyViews[m_currentTab])
        m_bodyViews[m_currentTab]->hide();
    m_treePanel->hide();
    m_currentTab = index;
    shownPage(index)->show();
}

QWidget* frmResult::shownPage(int index) const
{
    if (m_kinds[index] == ElementTreePage)
        return m_treePanel;
    if (m_kinds[index] == WsdlPage)
        return m_wsdlPanel;
    if (m_showBody[index] && m_bodyViews[index])
        return m_bodyViews[index];
    return m_pages[index];
}

int frmResult::responsePage(int index) const
{
    if (index >= 0)
        return index <= m_tabCount && m_kinds[index] == ResponsePage ? index : -1;
    for (int i = m_tabCount; i >= 1; --i)
        if (m_kinds[i] == ResponsePage)
            return i;
    return -1;
}

void frmResult::setMessageSink(MessageSink* sink)
{
    m_treePanel->setMessageSink(sink ? sink : m_ownMessages.get());
}

void frmResult::responseComplete(const HTTPRequest& request, const HTTPResponse& response)
{
    m_request = request;
    // Pages offered without being asked for never push out the tab-limit error line.
    if (IsWsdlUrl(request.URL()) && m_tabCount < kMaxTabs)
        ParseWSDLDocument();
    if (m_tabCount >= kMaxTabs)
        return;
    const ChunkedBytes& data = response.ResponseData();
    if (!IsHtmlMediaType(responseMediaType(data.mid(0, kHeaderSearch))))
        return;
    // A page larger than the limit, sent or decoded, is analysed only when asked for.
    const bool tooLarge = data.size() > kAutoAnalysisLimit + kHeaderSearch;
    const DecodedBody body = tooLarge ? DecodedBody() : decodeBody(response, kAutoAnalysisLimit);
    if (tooLarge || body.truncated) {
        AddToLog(u"HTML page not analysed: larger than 16 MB"_s);
        return;
    }
    m_treePanel->ParseHTMLDocument(body.text, m_request);
    AddResultTab(u"Tools"_s, ElementTreePage, false);
}

void frmResult::ParseHTMLDocument(int index)
{
    const int page = responsePage(index);
    if (page < 0) {
        AddToLog(u"No response page to analyse"_s);
        return;
    }
    const DecodedBody body = decodeBody(m_pages[page]->model().bytes().toByteArray());
    m_treePanel->ParseHTMLDocument(body.text, m_request);
    AddResultTab(u"Tools"_s, ElementTreePage, false);
}

void frmResult::ParseWSDLDocument(int index)
{
    const int page = responsePage(index);
    if (page >= 0)
        m_wsdlBody = decodeBody(m_pages[page]->model().bytes().toByteArray());
    m_wsdlRequest = m_request;
    AddResultTab(u"SOAP"_s, WsdlPage, false);
}

void frmResult::showDecodedBody(int index, bool decoded, bool asJson)
{
    if (responsePage(index) < 0)
        return;
    const bool current = index == m_currentTab;
    if (asJson && m_bodyViews[index]) {
        if (current)
            shownPage(index)->hide();
        delete m_bodyViews[index];
        m_bodyViews[index] = nullptr;
    }
    if (decoded && !m_bodyViews[index]) {
        auto* view = new ResultTextView(this);
        view->setObjectName(u"txtBody"_s + QString::number(index));
        view->setOwnFindShortcut(false);
        view->setGeometry(m_pages[index]->geometry());
        view->hide();
        view->appendBytes(
            BodyViewText(decodeBody(m_pages[index]->model().bytes().toByteArray()), asJson));
        m_bodyViews[index] = view;
    }
    if (current)
        shownPage(index)->hide();
    // The caption tells the decoded view from the raw response.
    QString caption = m_tabs->tabText(index).trimmed();
    if (caption.endsWith(kBodyMark))
        caption.chop(kBodyMark.size());
    m_tabs->setTabText(index, tabCaption(decoded ? caption + kBodyMark : caption));
    m_showBody[index] = decoded;
    if (current)
        shownPage(index)->show();
}

bool frmResult::showsDecodedBody(int index) const
{
    return index >= 0 && index < int(m_showBody.size()) && m_showBody[index];
}

ResultTextView* frmResult::bodyView(int index) const
{
    return index >= 0 && index < int(m_bodyViews.size()) ? m_bodyViews[index] : nullptr;
}

void frmResult::menuItemClicked(const QString& tag)
{
    // The current tab when it is a response page, else the newest response page.
    const int current = responsePage(m_currentTab) >= 0 ? m_currentTab : -1;
    if (tag == kMenuHtml) {
        ParseHTMLDocument(current);
    } else if (tag == kMenuWsdl) {
        ParseWSDLDocument(current);
    } else if (tag == kMenuBody || tag == kMenuJson) {
        const int page = responsePage(current);
        if (page < 0) {
            AddToLog(u"No response page to decode"_s);
            return;
        }
        if (page != m_currentTab)
            m_tabs->setCurrentIndex(page);
        if (tag == kMenuJson)
            showDecodedBody(page, true, true);
        else
            showDecodedBody(page, !m_showBody[page]);
    }
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
    for (ResultTextView* p : m_bodyViews)
        if (p)
            p->setGeometry(page);
    m_treePanel->setGeometry(page);
    m_wsdlPanel->setGeometry(page);
}
