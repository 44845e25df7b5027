#pragma once

#include "analysis/ResultSink.h"

#include <QWidget>

#include <array>

class ResultTextView;
class QFrame;
class QTabBar;
class ctrlWindowContainer;

// The result window of an exchange: a tab strip whose first tab is the running log and
// whose further tabs (at most seven) show the request text, the response text, or a panel.
// Only one page is visible at a time. Closing its frame deletes the window.
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

    // Number of tabs added after the log tab (0 to 7); the page receiving text.
    int lTabCount() const { return m_tabCount; }
    // Index of the selected tab (0 to 7).
    int lCurrentTab() const { return m_currentTab; }
    // Kind of page index (0 to 7), see ResultSink::PageKind; 0 out of range.
    int pageKind(int index) const;

    // Text page index (0 to 7), or null out of range.
    ResultTextView* txtResult(int index) const;
    // Panel shown by kind-4 pages, and panel shown by kind-5 pages.
    QWidget* elementTreePanel() const { return m_treePanel; }
    QWidget* wsdlPanel() const { return m_wsdlPanel; }
    // The window's frame and its tab strip.
    ctrlWindowContainer* frame() const { return m_frame; }
    QTabBar* tabStrip() const { return m_tabs; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void switchTab(int index);
    void layoutPages();

    ctrlWindowContainer* m_frame;
    QFrame* m_pane;
    QTabBar* m_tabs;
    std::array<ResultTextView*, 8> m_pages {};
    std::array<int, 8> m_kinds {};
    QWidget* m_treePanel;
    QWidget* m_wsdlPanel;
    int m_tabCount = 0;
    int m_currentTab = 0;
};
