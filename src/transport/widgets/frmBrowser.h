#pragma once

#include "editing/BodyTempFile.h"
#include "editing/FormBodyTarget.h"
#include "editing/RequestBodyText.h"
#include "persistence/RequestHistoryLists.h"
#include "transport/BrowserView.h"
#include "transport/ClientIdentity.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>

class AppData;
class BrowserSession;
class DialogPlacer;
class HTTPRequest;
class HTTPResponse;
class MessageSink;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMdiArea;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class RequestBody;
class SequenceRunner;
class ctrlHTTP;
class ctrlHeaders;
class ctrlWindowContainer;
class frmRedirect;
class frmResult;
class WebServices;

// The request window: the request's fields, its header grid and transport, the current
// result window and the last response. There is one for the life of the program.
class frmBrowser final : public QWidget,
                         public BrowserView,
                         public RequestHistoryLists,
                         public FormBodyTarget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmBrowser)

public:
    // Result windows go into area (top-level windows when null); dialogs are placed by
    // placer (over this window when null). app and messages must outlive the window.
    frmBrowser(AppData& app, MessageSink& messages, QMdiArea* area = nullptr,
               DialogPlacer* placer = nullptr, QWidget* parent = nullptr);
    ~frmBrowser() override;

    // Resets the header grid to the default rows.
    void SetDefaultHeaders();
    // Shows a new GET request built from a URL (default headers, no body). Returns 0.
    qint32 SetControls_RequestFromURL(const HTTPRequest& request);
    // Shows a form's request built from a page: its method, URL and default headers; with
    // any method but GET also its body, Content-type and Content-length, body included.
    void SetControls_FormRequest(const HTTPRequest& request);
    // Shows a complete stored request: fields, body and headers. Returns 0.
    qint32 SetControls_LoadedRequest(const HTTPRequest& request);
    // Refills the URL list from the history of the current server and port.
    void GetHistoryForHost();
    // Runs the send pipeline (the SEND button).
    void cmdSend_Click();
    // Closes the current result window, if any, and forgets it.
    void UnloadCurrentResultWindow();

    // Loads a request file and shows it; on failure shows "Error loading request '...'"
    // and changes nothing. Returns true when the request was loaded and shown.
    bool openRequestFile(const QString& path);
    // The current request file ("" when none).
    const QString& sRequestSaveFile() const { return m_requestFile; }

    // Puts a generated body into the body box (the form builder's entry point): exactly bytes
    // go on the wire; displayText is what the box shows. Unless displayText is just the bytes
    // read as UTF-8, the box is locked against typing until another body replaces this one.
    void setBodyBytes(const QByteArray& bytes, const QString& displayText);
    // Takes the body from the file at path, read only when the request is sent; the box shows
    // the file's name and size and takes no typing.
    void setBodyFromFile(const QString& path);
    // The body as it goes on the wire, with what the box shows of it.
    const RequestBodyText& requestBody() const { return m_body; }

    // The current result window, or null; the last response, or null.
    frmResult* oResult() const;
    HTTPResponse* oResp() const;
    BrowserSession& session() const { return *m_session; }
    ctrlHTTP* transport() const { return ctrlHTTP1; }
    ctrlHeaders* headerGrid() const { return ctrlHeaders1; }
    ctrlWindowContainer* frame() const { return ctrlWindowContainer1; }

    // Replaces the redirect prompt (headless runs answer without a window).
    void setRedirectPrompt(std::function<bool(RedirectQuestion&)> prompt);
    // Replaces the file dialogs of the request-file menu and of "Body from file…": called with
    // true to save, false to open; returns the chosen path or "" for a cancelled dialog.
    void setFileChooser(std::function<QString(bool save)> chooser);

    // The web services tools the WSDL pages of new result windows use; null leaves them idle.
    void setWebServices(WebServices* services) { m_webServices = services; }

    // The request SEND would put on the wire now (automatic header rows included), without
    // sending or changing the grid.
    HTTPRequest requestToSend() const;
    // The curl command for requestToSend(), as "Copy as curl" puts it on the clipboard; "" when
    // a binary body's file cannot be written (the reason is shown).
    QString curlCommand();
    // Fills the window from a curl command (the paste button's other use). Shows the command's
    // error and changes nothing when it cannot be used; lists options it did not take over.
    // Returns true when the window was filled.
    bool pasteCurlCommand(const QString& command);

    // "Send a sequence…": asks for the requests and the mode, then sends them into the result
    // window, one tab per response. Returns false when nothing was started (declined, a file
    // that cannot be read; the reason is shown).
    bool sendSequence();
    // The sequence sent from this window; created by the first sendSequence.
    SequenceRunner* sequenceRunner() const { return m_sequenceRunner; }
    // Reads the client certificates chosen per target from the user data (after it is loaded).
    void loadClientCertificates();
    // Opens the client certificates window on the current target; choices made there are kept
    // with the user data.
    void openClientCertificates();
    // The client certificates and CA files the window's exchanges use.
    ClientTls& clientTls() { return m_clientTls; }
    // The current target, "host:port".
    QString tlsTarget() const;

    // BrowserView
    RequestForm requestForm() const override;
    void DisableRequestControls() override;
    void EnableRequestControls() override;
    void enableSendButton() override;
    ResultSink* currentResult() override;
    ResultSink* MakeNewResultWindow() override;
    void setTransportVisible(bool visible) override;
    void showResultWindow() override;
    void SetControls_Redirected(const HTTPRequest& request) override;
    void setRedirectMethod(const QString& method, bool withoutBody) override;
    bool askRedirect(RedirectQuestion& question) override;
    void focusRequestWindow() override;

    // RequestHistoryLists
    void AddHistoryItemServer(const QString& server) override;
    void AddHistoryItemURL(const QString& url) override;

    // FormBodyTarget: the builder's body with its Content-type and Content-length rows, included.
    void applyFormBody(const FormBody& body) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    // Tab order, shortcuts and accessible names; called once, after buildControls().
    void installKeyboard();
    void showKeptConnection();
    void setSecure(bool secure);
    void showForm(const RequestForm& form);
    void refreshPaths();
    void currentResultClosing();
    void SetFormBuilderMode(bool on);
    void ReloadBodyFromTempFile();
    void showBody();
    void useBodyFont();
    void bodyEdited();
    void cmdPasteUrl_Click();
    void cmdBodyEditor_Click();
    void cmdBodyFromFile_Click();
    void setBody(const RequestBody& body);
    void cmdRB_FORMdata_Click();
    bool validatePort(QLineEdit* box);
    void menuItemClicked(const QString& tag);
    void saveRequest(bool askForPath);
    void setRequestFile(const QString& path);
    HTTPRequest requestFromWindow() const;
    void placeOverMainWindow(QWidget* dialog);

    AppData& m_app;
    MessageSink& m_messages;
    QMdiArea* m_area;
    DialogPlacer* m_placer;

    ctrlWindowContainer* ctrlWindowContainer1 = nullptr;
    QWidget* m_content = nullptr;
    QComboBox* cmbServer = nullptr;
    QLineEdit* txtPort = nullptr;
    QLineEdit* txtPortSecure = nullptr;
    QCheckBox* chkSecureConnection = nullptr;
    QComboBox* cmbReqMethod = nullptr;
    QComboBox* cmbURL = nullptr;
    QComboBox* cmbHTTPver = nullptr;
    QToolButton* cmdPasteUrl = nullptr;
    QToolButton* cmdNewResultWindow = nullptr;
    ctrlHeaders* ctrlHeaders1 = nullptr;
    QPlainTextEdit* txtRequestBody = nullptr;
    QCheckBox* chkIncludePostData = nullptr;
    QCheckBox* chkRB_UseFormBuilder = nullptr;
    QPushButton* cmdRB_FORMdata = nullptr;
    QPushButton* cmdBodyEditor = nullptr;
    QPushButton* cmdBodyFromFile = nullptr;
    QPushButton* cmdSend = nullptr;
    QCheckBox* chkKeepAlive = nullptr;
    QLabel* lblConnection = nullptr;
    QPushButton* cmdCloseConnection = nullptr;
    ctrlHTTP* ctrlHTTP1 = nullptr;

    BrowserSession* m_session = nullptr;
    SequenceRunner* m_sequenceRunner = nullptr;
    QPointer<frmResult> m_result;
    QRect m_closedResultPlace; // where the last closed current result window was
    WebServices* m_webServices = nullptr;
    frmRedirect* m_redirect = nullptr;
    std::function<bool(RedirectQuestion&)> m_redirectPrompt;
    std::function<QString(bool)> m_fileChooser;
    QString m_requestFile;
    RequestBodyText m_body; // the body box is a view of it
    QString m_builtContentType; // the form builder's Content-type while its body is shown
    BodyTempFile m_bodyFile;
    bool m_showingBody = false; // the box is being filled from m_body, not edited
    bool m_bodyFontSet = false; // the fixed-pitch font is taken on first use
    bool m_checkingBody = false;
    bool m_checkingPort = false;
    bool m_serverPicked = false; // the server drop-down is delivering a pick
    QObject* m_serverList = nullptr; // the drop-down's view and its viewport, compared only
    QObject* m_serverListArea = nullptr;

    void keepClientCertificates();
    ClientTls m_clientTls;
};
