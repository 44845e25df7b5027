#pragma once

#include "analysis/ResultSink.h"
#include "transport/BrowserView.h"
#include "transport/RequestForm.h"

#include <functional>

// The request window's state without a window, for scripted runs: the fields are a
// RequestForm, there is no result window to fill and nothing to show or focus.
class HeadlessView final : public BrowserView
{
public:
    // Starts with form as the fields.
    explicit HeadlessView(RequestForm form);

    // The fields, for loading a request into them.
    RequestForm& form() { return m_form; }
    // Decides redirect prompts; without one every redirect is declined.
    void setRedirectPrompt(std::function<bool(RedirectQuestion&)> prompt);

    RequestForm requestForm() const override { return m_form; }
    void DisableRequestControls() override { }
    void EnableRequestControls() override { }
    void enableSendButton() override { }
    ResultSink* currentResult() override { return &m_result; }
    ResultSink* MakeNewResultWindow() override { return &m_result; }
    void setTransportVisible(bool) override { }
    void showResultWindow() override { }
    void SetControls_Redirected(const HTTPRequest& request) override;
    void setRedirectMethod(const QString& method, bool withoutBody) override;
    bool askRedirect(RedirectQuestion& question) override;
    void focusRequestWindow() override { }

private:
    // Pages no one reads are not kept.
    class NoResult final : public ResultSink
    {
    public:
        void AddToLog(const QString&) override { }
        void ClearResults() override { }
        void AddResultTab(const QString&, int, bool) override { }
        void AddResultText(const QByteArray&) override { }
        void setCaption(const QString&) override { }
    };

    RequestForm m_form;
    NoResult m_result;
    std::function<bool(RedirectQuestion&)> m_redirectPrompt;
};
