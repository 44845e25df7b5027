#pragma once

#include "analysis/DecodedBody.h"
#include "analysis/ResultSink.h"
#include "message/HTTPRequest.h"

#include <QWidget>

#include <array>
#include <memory>

class MessageBoxSink;
class MessageSink;
class ResultTextView;
class QFrame;
class QTabBar;
class ctrlDocElements;
class ctrlStoreWebService;
class ctrlWindowContainer;

// The result window of an exchange: a tab strip whose first tab is the running log and
// whose further tabs (at most seven) show the request text, the response text, or a panel.
// Only one page is visible at a time. A response page can be switched to the decoded view
// of its body, and analysed for HTML elements or offered as WSDL, from the frame's menu.
// Closing its frame deletes the window.
class frmResult final : public QWidget, public ResultSink
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmResult)

public:
    // An empty result window of the design size, caption "-", frame with a close button.
    explicit frmResult(QWidget* parent = nullptr);
    ~frmResult() override;

    // ResultSink: the log is page 0; text goes to page lTabCount().
    void AddToLog(const QString& message) override;
    void AddResultTab(const QString& sCaption, int lType, bool bSelect) override;
    using ResultSink::AddResultText;
    void AddResultText(const QByteArray& sText) override;
    void ClearResults() override;
    void setCaption(const QString& caption) override;
    // The tool tip of every response tab.
    void showTiming(const QString& summary) override;
    // Keeps the exchange's request; analyses an HTML response (up to 16 MB) into a Tools page
    // and offers the SOAP page for a WSDL URL, neither selected.
    void responseComplete(const HTTPRequest& request, const HTTPResponse& response) override;

    // Lists the HTML elements of response page index (the newest page when -1) on the
    // element tree panel and adds a "Tools" page, not selected. Logs why when there is no
    // response page to analyse.
    void ParseHTMLDocument(int index = -1);
    // Adds a "SOAP" page, not selected, for response page index (the newest when -1); the
    // page keeps that response's decoded body.
    void ParseWSDLDocument(int index = -1);
    // Shows the decoded body of response page index instead of its raw text, or back. asJson
    // lays the body out as JSON whatever its media type (the view is made anew).
    void showDecodedBody(int index, bool decoded, bool asJson = false);
    // Whether page index shows its decoded body.
    bool showsDecodedBody(int index) const;
    // The decoded view of page index, or null before it was first shown.
    ResultTextView* bodyView(int index) const;

    // Where the element tree's messages go (a message box over this window when null).
    void setMessageSink(MessageSink* sink);
    // The request of the finished exchange (empty before responseComplete).
    const HTTPRequest& exchangeRequest() const { return m_request; }
    // The request and decoded body the SOAP page acts on; empty before ParseWSDLDocument.
    const HTTPRequest& wsdlRequest() const { return m_wsdlRequest; }
    const DecodedBody& wsdlBody() const { return m_wsdlBody; }

    // Number of tabs added after the log tab (0 to 7); the page receiving text.
    int lTabCount() const { return m_tabCount; }
    // Index of the selected tab (0 to 7).
    int lCurrentTab() const { return m_currentTab; }
    // Kind of page index (0 to 7), see ResultSink::PageKind; 0 out of range.
    int pageKind(int index) const;

    // Text page index (0 to 7), or null out of range.
    ResultTextView* txtResult(int index) const;
    // Panel shown by kind-4 pages, and panel shown by kind-5 pages.
    ctrlDocElements* elementTreePanel() const { return m_treePanel; }
    ctrlStoreWebService* wsdlPanel() const { return m_wsdlPanel; }
    // The window's frame and its tab strip.
    ctrlWindowContainer* frame() const { return m_frame; }
    QTabBar* tabStrip() const { return m_tabs; }

Q_SIGNALS:
    // An element of an analysed page asks for a new request (see ctrlDocElements).
    void URLRequested(const HTTPRequest& request);
    void FormRequested(const HTTPRequest& request);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void switchTab(int index);
    void layoutPages();
    void menuItemClicked(const QString& tag);
    int responsePage(int index) const;
    QWidget* shownPage(int index) const;

    ctrlWindowContainer* m_frame;
    QFrame* m_pane;
    QTabBar* m_tabs;
    std::array<ResultTextView*, 8> m_pages {};
    std::array<int, 8> m_kinds {};
    std::array<ResultTextView*, 8> m_bodyViews {};
    std::array<bool, 8> m_showBody {};
    ctrlDocElements* m_treePanel;
    ctrlStoreWebService* m_wsdlPanel;
    std::unique_ptr<MessageBoxSink> m_ownMessages;
    HTTPRequest m_request;
    HTTPRequest m_wsdlRequest;
    DecodedBody m_wsdlBody;
    int m_tabCount = 0;
    int m_currentTab = 0;
};
