#pragma once

#include "shell/LogSink.h"

#include <QByteArray>
#include <QString>

class HTTPRequest;
class HTTPResponse;

// What an exchange writes into its result window: a log page, then up to seven pages
// for request and response text. The window implements it; tests record it.
class ResultSink : public LogSink
{
public:
    // Page kinds; a tab's kind says what it shows.
    enum PageKind : int {
        NoPage = 0,
        LogPage = 1,
        RequestPage = 2,
        ResponsePage = 3,
        ElementTreePage = 4,
        WsdlPage = 5,
    };
    // Tabs that can be added after the log tab.
    static constexpr int kMaxTabs = 7;

    // Empties every page, leaves the log as the only tab and sets the caption to "-".
    virtual void ClearResults() = 0;
    // Adds a tab captioned "  " + sCaption + "  " of kind lType, selecting it if bSelect;
    // once seven were added, only logs an error line and later text goes to page 7.
    virtual void AddResultTab(const QString& sCaption, int lType, bool bSelect) = 0;
    // Appends bytes, kept exact, to the newest page (the log when no tab was added).
    virtual void AddResultText(const QByteArray& sText) = 0;
    // Appends text as UTF-8 to the newest page.
    void AddResultText(const QString& sText) { AddResultText(sText.toUtf8()); }
    // The exchange is done: request is the one sent, response the last received. A window
    // may analyse it (HTML elements, WSDL); the default does nothing.
    virtual void responseComplete(const HTTPRequest& request, const HTTPResponse& response)
    {
        Q_UNUSED(request);
        Q_UNUSED(response);
    }
    // Shows the exchange's "Timing: ..." line beside its responses; the default does nothing.
    virtual void showTiming(const QString& summary) { Q_UNUSED(summary); }
    // Sets the window's frame caption ("&" marks a mnemonic, "&&" shows one "&").
    virtual void setCaption(const QString& caption) = 0;
};
