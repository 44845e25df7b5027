#pragma once

#include "transport/RequestForm.h"

#include <QString>

class HTTPRequest;
class ResultSink;

// What the request window's logic needs from the window that shows it.
class BrowserView
{
public:
    virtual ~BrowserView() = default;

    // The fields as they stand now.
    virtual RequestForm requestForm() const = 0;
    // Disables (enables) the request controls, the Send button among them.
    virtual void DisableRequestControls() = 0;
    virtual void EnableRequestControls() = 0;
    // Enables the Send button alone.
    virtual void enableSendButton() = 0;
    // The current result window, or null when there is none.
    virtual ResultSink* currentResult() = 0;
    // Creates a new result window and makes it the current one.
    virtual ResultSink* MakeNewResultWindow() = 0;
    // Shows or hides the transport control.
    virtual void setTransportVisible(bool visible) = 0;
    // Shows the current result window (not modal) and gives it the focus.
    virtual void showResultWindow() = 0;
    // Puts a redirect target's server, port, URL and secure flag into the fields.
    virtual void SetControls_Redirected(const HTTPRequest& request) = 0;
    // Sets the method of a redirect's follow-up; withoutBody unticks "Include request body".
    virtual void setRedirectMethod(const QString& method, bool withoutBody) = 0;
    // Runs the redirect prompt; true when the user accepted. Never waits when no one is there.
    virtual bool askRedirect(RedirectQuestion& question) = 0;
    // Gives the request window the focus.
    virtual void focusRequestWindow() = 0;
};
