#include "transport/widgets/frmBrowser.h"

#include "analysis/HtmlScanner.h"
#include "analysis/widgets/WebServices.h"
#include "analysis/widgets/ctrlDocElements.h"
#include "analysis/widgets/ctrlStoreWebService.h"
#include "analysis/widgets/frmResult.h"
#include "editing/CurlCommand.h"
#include "editing/CurlFiles.h"
#include "editing/FormBody.h"
#include "editing/FormEncoder.h"
#include "editing/FormFieldTable.h"
#include "editing/HeaderTable.h"
#include "editing/RequestFile.h"
#include "editing/widgets/ctrlHeaders.h"
#include "editing/widgets/frmFORMBuilder.h"
#include "message/HTTPRequest.h"
#include "message/PortNumber.h"
#include "persistence/AppData.h"
#include "persistence/ProxyPreference.h"
#include "persistence/TextUtil.h"
#include "persistence/widgets/OpenWithShell.h"
#include "shell/DialogPlacer.h"
#include "shell/MessageSink.h"
#include "shell/Twips.h"
#include "shell/widgets/DialogRunner.h"
#include "shell/widgets/FramedSubWindow.h"
#include "shell/widgets/PelorinIcons.h"
#include "shell/widgets/ctrlWindowContainer.h"
#include "transport/BrowserSession.h"
#include "transport/ClientTlsData.h"
#include "transport/Exchange.h"
#include "transport/ProxyTunnel.h"
#include "transport/Redirect.h"
#include "transport/RequestPreview.h"
#include "transport/SequenceRunner.h"
#include "transport/widgets/ClientCertificatesDialog.h"
#include "transport/widgets/ctrlHTTP.h"
#include "transport/widgets/frmRedirect.h"
#include "transport/widgets/frmSequence.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString kCaption = u" HTTP User-Agent"_s;
const QString kEditorPlaceholder
    = u"<when you have edited the file and saved it, click in this area to load from temp file>"_s;
const QString kClipboardError = u"Contents of Windows clipboard is not a valid URL!"_s;
const QString kBuilderBodyHint = u"Made by the form builder: FORM data changes it"_s;

QLabel* label(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QComboBox* editableCombo(const QString& name, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    // Enter sends the request; it must not also grow the list.
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

// Entries are offered in a list under the box: inline completion would add characters the
// user never accepted to what SEND takes.
QComboBox* historyCombo(const QString& name, Qt::CaseSensitivity matching, QWidget* parent)
{
    QComboBox* box = editableCombo(name, parent);
    box->completer()->setCompletionMode(QCompleter::PopupCompletion);
    box->completer()->setCaseSensitivity(matching);
    return box;
}

QString captionFor(const QString& file)
{
    // "&" marks a mnemonic in a caption, so a literal one is doubled.
    return file.isEmpty()
        ? kCaption
        : kCaption + u"  ["_s + ShortenText(file, 50).replace(u'&', u"&&"_s) + u']';
}

// The box's text with every line break as LF: block breaks, and the line breaks Shift+Enter
// types inside a block.
QString boxText(const QPlainTextEdit& box)
{
    return box.document()
        ->toRawText()
        .replace(QChar::ParagraphSeparator, u'\n')
        .replace(QChar::LineSeparator, u'\n');
}

} // namespace

frmBrowser::frmBrowser(AppData& app, MessageSink& messages, QMdiArea* area, DialogPlacer* placer,
                       QWidget* parent)
    : QWidget(parent)
    , m_app(app)
    , m_messages(messages)
    , m_area(area)
    , m_placer(placer)
    , m_bodyFile(app.folder().bodyTempFile())
{
    setObjectName(u"frmBrowser"_s);
    setWindowTitle(kCaption.trimmed());
    resize(Twips::toPx(8655), Twips::toPx(7215));
    buildControls();
    installKeyboard();

    m_session = new BrowserSession(*this, *ctrlHeaders1->headers(), *ctrlHTTP1->exchange(),
                                   m_app.settings(), &m_app.cookies(), &m_app.history(), this);
    m_app.history().setRequestLists(this);
    ctrlHTTP1->exchange()->setClientTls(&m_clientTls);
    m_clientTls.setPassphrasePrompt([this](const QString& file) -> std::optional<QString> {
        QInputDialog dialog(this);
        dialog.setWindowTitle(u"Passphrase"_s);
        dialog.setLabelText(u"Passphrase of the key in "_s + file + u':');
        dialog.setTextEchoMode(QLineEdit::Password);
        if (DialogRunner::exec(dialog) != QDialog::Accepted)
            return std::nullopt;
        return dialog.textValue();
    });
    ConnectionPool& connections = ctrlHTTP1->exchange()->connections();
    chkKeepAlive->setChecked(!m_app.settings().CloseConnection);
    connect(chkKeepAlive, &QCheckBox::toggled, this,
            [this](bool on) { m_app.settings().CloseConnection = !on; });
    connect(&connections, &ConnectionPool::changed, this, &frmBrowser::showKeptConnection);
    connect(cmdCloseConnection, &QPushButton::clicked, this, [this] {
        ConnectionPool& pool = ctrlHTTP1->exchange()->connections();
        pool.closeNow(u"Connection to "_s + pool.key().text() + u" closed by the user"_s);
    });
    showKeptConnection();

    SetFormBuilderMode(chkRB_UseFormBuilder->isChecked());
    ctrlHTTP1->hide();
    setSecure(false);
    SetDefaultHeaders();

    const auto fill = [this](QComboBox* box, const QString& path) {
        const Configuration::ComboList list = m_app.configuration().ListFromConfig(path);
        box->addItems(list.entries);
        if (list.selected >= 0)
            box->setCurrentIndex(int(list.selected));
    };
    fill(cmbReqMethod, Configuration::requestMethodsPath());
    fill(cmbHTTPver, Configuration::httpVersionsPath());

    // Start from an empty body file, so the editor never shows an earlier run's text.
    if (const Result reset = m_bodyFile.reset(QByteArray()); !reset)
        m_messages.showMessage(u"Error writing file: "_s + reset.text, u"Error:"_s,
                               MessageSink::Icon::Error);
}

frmBrowser::~frmBrowser()
{
    m_app.history().setRequestLists(nullptr);
    // The exchange belongs to a child, which outlives the members.
    ctrlHTTP1->exchange()->setClientTls(nullptr);
}

void frmBrowser::buildControls()
{
    ctrlWindowContainer1 = new ctrlWindowContainer(this);
    ctrlWindowContainer1->setObjectName(u"ctrlWindowContainer1"_s);
    ctrlWindowContainer1->setCaption(kCaption);
    ctrlWindowContainer1->setMenuButtonCaption(u"Load/Save"_s);
    ctrlWindowContainer1->AddMenuItem(u"Load Request file   Ctrl+O"_s, u"loadreq"_s);
    ctrlWindowContainer1->AddMenuItem(u"Save Request file   Ctrl+S"_s, u"savereq"_s);
    ctrlWindowContainer1->AddMenuItem(u"Save Request file as...   Ctrl+Shift+S"_s, u"savereqas"_s);
    ctrlWindowContainer1->AddMenuItem(u"Stop using request file"_s, u"stopusing"_s);
    ctrlWindowContainer1->AddMenuItem(u"Copy as curl"_s, u"copycurl"_s);
    ctrlWindowContainer1->AddMenuItem(u"Send a sequence..."_s, u"sequence"_s);
    ctrlWindowContainer1->AddMenuItem(u"Client certificates..."_s, u"clientcerts"_s);
    ctrlWindowContainer1->EnableMenuItem(u"savereq"_s, false);
    ctrlWindowContainer1->EnableMenuItem(u"stopusing"_s, false);
    ctrlWindowContainer1->setShowmenu(true);
    ctrlWindowContainer1->setShowCloseButton(false);
    ctrlWindowContainer1->setShowMaximizeButton(false);
    ctrlWindowContainer1->setShowMinimizeButton(false);
    connect(ctrlWindowContainer1, &ctrlWindowContainer::MenuItemClicked, this,
            &frmBrowser::menuItemClicked);

    m_content = new QWidget(this);
    auto* rows = new QVBoxLayout(m_content);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(Twips::toPx(90));

    auto* target = new QHBoxLayout;
    cmbServer = historyCombo(u"cmbServer"_s, Qt::CaseInsensitive, m_content);
    cmbServer->addItem(u"localhost"_s);
    cmbServer->setEditText(u"localhost"_s);
    txtPort = new QLineEdit(u"80"_s, m_content);
    txtPort->setObjectName(u"txtPort"_s);
    txtPortSecure = new QLineEdit(u"443"_s, m_content);
    txtPortSecure->setObjectName(u"txtPortSecure"_s);
    for (QLineEdit* box : { txtPort, txtPortSecure }) {
        box->setFixedWidth(Twips::toPx(900));
        box->installEventFilter(this);
    }
    chkSecureConnection = new QCheckBox(u"HTTPS"_s, m_content);
    chkSecureConnection->setObjectName(u"chkSecureConnection"_s);
    cmdPasteUrl = new QToolButton(m_content);
    cmdPasteUrl->setObjectName(u"cmdPasteUrl"_s);
    cmdPasteUrl->setIcon(PelorinIcon(u"paste"_s));
    cmdPasteUrl->setToolTip(u"Make request from URL in Windows clipboard"_s);
    cmdNewResultWindow = new QToolButton(m_content);
    cmdNewResultWindow->setObjectName(u"cmdNewResultWindow"_s);
    cmdNewResultWindow->setIcon(PelorinIcon(u"newresult"_s));
    cmdNewResultWindow->setToolTip(u"New result window"_s);
    target->addWidget(label(u"Host:"_s, m_content));
    target->addWidget(cmbServer, 1);
    target->addWidget(label(u"Port:"_s, m_content));
    target->addWidget(txtPort);
    target->addWidget(txtPortSecure);
    target->addWidget(chkSecureConnection);
    target->addWidget(cmdPasteUrl);
    target->addWidget(cmdNewResultWindow);
    rows->addLayout(target);

    auto* line = new QHBoxLayout;
    cmbReqMethod = editableCombo(u"cmbReqMethod"_s, m_content);
    cmbReqMethod->setMinimumWidth(Twips::toPx(1500));
    cmbHTTPver = editableCombo(u"cmbHTTPver"_s, m_content);
    cmbHTTPver->setMinimumWidth(Twips::toPx(1400));
    cmbURL = historyCombo(u"cmbURL"_s, Qt::CaseSensitive, m_content);
    cmbURL->addItem(u"/"_s);
    cmbURL->setEditText(u"/"_s);
    line->addWidget(label(u"Method:"_s, m_content));
    line->addWidget(cmbReqMethod);
    line->addWidget(label(u"Absolute path:"_s, m_content));
    line->addWidget(cmbURL, 1);
    line->addWidget(label(u"Version:"_s, m_content));
    line->addWidget(cmbHTTPver);
    rows->addLayout(line);

    ctrlHeaders1 = new ctrlHeaders(m_app.configuration(), m_app.settings(), m_content);
    ctrlHeaders1->setDialogPlacer(m_placer);
    ctrlHeaders1->setObjectName(u"ctrlHeaders1"_s);
    rows->addWidget(ctrlHeaders1, 3);

    auto* bodyBar = new QHBoxLayout;
    chkIncludePostData = new QCheckBox(u"Include request body"_s, m_content);
    chkIncludePostData->setObjectName(u"chkIncludePostData"_s);
    chkRB_UseFormBuilder = new QCheckBox(u"Use FORM builder"_s, m_content);
    chkRB_UseFormBuilder->setObjectName(u"chkRB_UseFormBuilder"_s);
    cmdRB_FORMdata = new QPushButton(u"FORM data"_s, m_content);
    cmdRB_FORMdata->setObjectName(u"cmdRB_FORMdata"_s);
    cmdBodyEditor = new QPushButton(u"Editor"_s, m_content);
    cmdBodyEditor->setObjectName(u"cmdBodyEditor"_s);
    cmdBodyEditor->setToolTip(u"Edit request body in your default text editor."_s);
    cmdBodyFromFile = new QPushButton(u"Body from file\u2026"_s, m_content);
    cmdBodyFromFile->setObjectName(u"cmdBodyFromFile"_s);
    cmdBodyFromFile->setToolTip(u"Send a file as the request body, read when sent."_s);
    // Four controls share the width the window has: the buttons take their text's width,
    // not the style's wider default, so the check boxes keep their whole captions.
    const auto fitToText = [](QPushButton* button, const QStringList& captions) {
        int widest = 0;
        for (const QString& caption : captions)
            widest = std::max(widest, button->fontMetrics().horizontalAdvance(caption));
        button->setMaximumWidth(widest + Twips::toPx(300));
    };
    fitToText(cmdRB_FORMdata, { cmdRB_FORMdata->text() });
    fitToText(cmdBodyEditor, { cmdBodyEditor->text() });
    fitToText(cmdBodyFromFile, { cmdBodyFromFile->text(), u"Text body"_s });
    bodyBar->addWidget(chkIncludePostData);
    bodyBar->addWidget(chkRB_UseFormBuilder);
    bodyBar->addStretch(1);
    bodyBar->addWidget(cmdRB_FORMdata);
    bodyBar->addWidget(cmdBodyEditor);
    bodyBar->addWidget(cmdBodyFromFile);
    rows->addLayout(bodyBar);

    txtRequestBody = new QPlainTextEdit(m_content);
    txtRequestBody->setObjectName(u"txtRequestBody"_s);
    txtRequestBody->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtRequestBody->installEventFilter(this);
    txtRequestBody->viewport()->installEventFilter(this);
    // The fixed-pitch font is a font engine of its own, 3 % of a start, and an empty editor
    // shows nothing in it: it is taken when the editor first gets text or focus.
    connect(txtRequestBody, &QPlainTextEdit::textChanged, this, &frmBrowser::useBodyFont);
    connect(txtRequestBody, &QPlainTextEdit::textChanged, this, &frmBrowser::bodyEdited);
    rows->addWidget(txtRequestBody, 2);

    auto* sendBar = new QHBoxLayout;
    cmdSend = new QPushButton(u"SEND"_s, m_content);
    cmdSend->setObjectName(u"cmdSend"_s);
    cmdSend->setMinimumWidth(Twips::toPx(1500));
    chkKeepAlive = new QCheckBox(u"Keep connection open"_s, m_content);
    chkKeepAlive->setObjectName(u"chkKeepAlive"_s);
    chkKeepAlive->setToolTip(u"Send without 'Connection: close' and keep the connection for the "
                             "next SEND to the same server, port and TLS setting"_s);
    lblConnection = new QLabel(m_content);
    lblConnection->setObjectName(u"lblConnection"_s);
    cmdCloseConnection = new QPushButton(u"Close connection"_s, m_content);
    cmdCloseConnection->setObjectName(u"cmdCloseConnection"_s);
    sendBar->addWidget(chkKeepAlive);
    sendBar->addWidget(lblConnection);
    sendBar->addWidget(cmdCloseConnection);
    sendBar->addStretch(1);
    sendBar->addWidget(cmdSend);
    rows->addLayout(sendBar);

    ctrlHTTP1 = new ctrlHTTP(this);
    ctrlHTTP1->setObjectName(u"ctrlHTTP1"_s);

    connect(chkSecureConnection, &QCheckBox::toggled, this, &frmBrowser::setSecure);
    connect(chkRB_UseFormBuilder, &QCheckBox::toggled, this, &frmBrowser::SetFormBuilderMode);
    // A send without the body drops the body rows; a builder body never goes out without the
    // Content-type (and boundary) it was made with.
    connect(chkIncludePostData, &QCheckBox::toggled, this, [this](bool included) {
        if (included && !m_builtContentType.isEmpty()
            && ctrlHeaders1->headers()->findRow(u"Content-type"_s) < 0)
            ctrlHeaders1->headers()->AddHeader(u"Content-type"_s, m_builtContentType, false);
    });
    // Qt also reports typed text that matches an entry as activated (when the box loses the
    // focus, e.g. to SEND); only a pick in the drop-down counts.
    m_serverList = cmbServer->view();
    m_serverListArea = cmbServer->view()->viewport();
    m_serverList->installEventFilter(this);
    m_serverListArea->installEventFilter(this);
    connect(cmbServer, &QComboBox::activated, this, [this] {
        if (std::exchange(m_serverPicked, false))
            refreshPaths();
    });
    // The path list follows the port the user settles on.
    connect(txtPort, &QLineEdit::editingFinished, this, &frmBrowser::refreshPaths);
    connect(txtPortSecure, &QLineEdit::editingFinished, this, &frmBrowser::refreshPaths);
    connect(chkSecureConnection, &QCheckBox::toggled, this, &frmBrowser::refreshPaths);
    for (QComboBox* box : { cmbServer, cmbURL }) {
        connect(box->lineEdit(), &QLineEdit::returnPressed, this, [this] {
            if (cmdSend->isEnabled())
                cmdSend_Click();
        });
    }
    connect(cmdSend, &QPushButton::clicked, this, &frmBrowser::cmdSend_Click);
    connect(cmdPasteUrl, &QToolButton::clicked, this, &frmBrowser::cmdPasteUrl_Click);
    connect(cmdNewResultWindow, &QToolButton::clicked, this, [this] {
        MakeNewResultWindow();
        showResultWindow();
    });
    connect(cmdBodyEditor, &QPushButton::clicked, this, &frmBrowser::cmdBodyEditor_Click);
    connect(cmdBodyFromFile, &QPushButton::clicked, this, &frmBrowser::cmdBodyFromFile_Click);
    connect(cmdRB_FORMdata, &QPushButton::clicked, this, &frmBrowser::cmdRB_FORMdata_Click);
}

void frmBrowser::showKeptConnection()
{
    const ConnectionPool& pool = ctrlHTTP1->exchange()->connections();
    lblConnection->setVisible(pool.isOpen());
    cmdCloseConnection->setVisible(pool.isOpen());
    if (pool.isOpen())
        lblConnection->setText(u"Connection open to %1, closes after %2 s idle"_s.arg(
            pool.key().text(), QString::number(pool.idleMs() / 1000.0)));
}

void frmBrowser::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ctrlWindowContainer1->setGeometry(rect());
    const int margin = Twips::toPx(150);
    m_content->setGeometry(rect().adjusted(margin, Twips::toPx(480), -margin, -margin));
    const QSize size = ctrlHTTP1->sizeHint().boundedTo(this->size());
    ctrlHTTP1->setGeometry((width() - size.width()) / 2, Twips::toPx(1740), size.width(),
                           size.height());
}

void frmBrowser::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ReloadBodyFromTempFile();
}

bool frmBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_result.data() && event->type() == QEvent::Close) {
        currentResultClosing();
        return QWidget::eventFilter(watched, event);
    }
    if (watched == m_serverList || watched == m_serverListArea) {
        // The drop-down takes Enter as a shortcut override, before any key press.
        const bool keyEvent
            = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
        const int key = keyEvent ? static_cast<QKeyEvent*>(event)->key() : 0;
        const bool pick = event->type() == QEvent::MouseButtonRelease || key == Qt::Key_Return
            || key == Qt::Key_Enter;
        // The drop-down reports its pick as activated while this event is handled.
        if (pick) {
            m_serverPicked = true;
            QTimer::singleShot(0, this, [this] { m_serverPicked = false; });
        }
        return QWidget::eventFilter(watched, event);
    }
    if ((watched == txtPort || watched == txtPortSecure) && event->type() == QEvent::FocusOut) {
        auto* box = static_cast<QLineEdit*>(watched);
        if (box->isEnabled() && !validatePort(box))
            QTimer::singleShot(0, box, [box] { box->setFocus(); });
    } else if ((watched == txtRequestBody && event->type() == QEvent::FocusIn)
               || (watched == txtRequestBody->viewport()
                   && event->type() == QEvent::MouseButtonPress)) {
        useBodyFont();
        ReloadBodyFromTempFile();
    }
    return QWidget::eventFilter(watched, event);
}

bool frmBrowser::validatePort(QLineEdit* box)
{
    // The message box takes the focus; its focus-out must not ask again.
    if (m_checkingPort)
        return true;
    const PortNumber port = ParsePortNumber(box->text());
    if (port)
        return true;
    const QString message = port.fault == PortNumber::Fault::NotDigits
        ? u"Port# must be an integer!"_s
        : u"Port# must be in the range 1-65535!"_s;
    m_checkingPort = true;
    m_messages.showMessage(message, u"Ups:"_s, MessageSink::Icon::Information);
    m_checkingPort = false;
    return false;
}

void frmBrowser::setSecure(bool secure)
{
    if (chkSecureConnection->isChecked() != secure)
        chkSecureConnection->setChecked(secure); // comes back here through toggled
    txtPort->setVisible(!secure);
    txtPortSecure->setVisible(secure);
}

void frmBrowser::SetFormBuilderMode(bool on)
{
    // The body box is disabled while a request is under way; so is the builder then.
    cmdRB_FORMdata->setEnabled(on && txtRequestBody->isEnabled());
    txtRequestBody->setReadOnly(on || m_body.isLocked() || m_bodyFile.isOpen());
    // A body read from files has no bytes here to edit.
    cmdBodyEditor->setEnabled(!on && txtRequestBody->isEnabled() && m_body.pieces().isEmpty());
    cmdBodyFromFile->setEnabled(!on && txtRequestBody->isEnabled());
    cmdBodyFromFile->setText(m_body.pieces().isEmpty() ? u"Body from file\u2026"_s
                                                       : u"Text body"_s);
    // A box that takes no typing says so; the builder's own bodies also say why.
    const bool fixed = (on || m_body.isLocked()) && !m_bodyFile.isOpen();
    QPalette look = palette();
    if (fixed)
        look.setColor(QPalette::Base, look.color(QPalette::Window));
    txtRequestBody->setPalette(look);
    txtRequestBody->setToolTip(fixed && (on || !m_builtContentType.isEmpty()) ? kBuilderBodyHint
                                                                              : QString());
}

void frmBrowser::SetDefaultHeaders()
{
    ::SetDefaultHeaders(*ctrlHeaders1->headers());
}

void frmBrowser::showForm(const RequestForm& form)
{
    cmbServer->setEditText(form.server);
    txtPort->setText(form.port);
    txtPortSecure->setText(form.portSecure);
    setSecure(form.secure);
    cmbURL->setEditText(form.url);
    cmbReqMethod->setEditText(form.method);
    cmbHTTPver->setEditText(form.httpVersion);
    chkIncludePostData->setChecked(form.includeBody);
}

RequestForm frmBrowser::requestForm() const
{
    RequestForm form;
    form.server = cmbServer->currentText();
    form.port = txtPort->text();
    form.portSecure = txtPortSecure->text();
    form.secure = chkSecureConnection->isChecked();
    form.method = cmbReqMethod->currentText();
    form.url = cmbURL->currentText();
    form.httpVersion = cmbHTTPver->currentText();
    form.includeBody = chkIncludePostData->isChecked();
    form.body = m_body.bytes();
    form.bodyPieces = m_body.pieces();
    if (!form.bodyPieces.isEmpty())
        form.bodyShown = m_body.shownText();
    return form;
}

void frmBrowser::showBody()
{
    m_showingBody = true;
    txtRequestBody->setPlainText(m_body.shownText());
    m_showingBody = false;
    SetFormBuilderMode(chkRB_UseFormBuilder->isChecked());
}

void frmBrowser::useBodyFont()
{
    if (m_bodyFontSet)
        return;
    m_bodyFontSet = true;
    txtRequestBody->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

void frmBrowser::bodyEdited()
{
    // Neither the placeholder nor a body being shown is an edit.
    if (m_showingBody || m_bodyFile.isOpen())
        return;
    if (!m_body.applyShownText(boxText(*txtRequestBody)))
        showBody(); // a locked body takes no typing
}

void frmBrowser::setBodyBytes(const QByteArray& bytes, const QString& displayText)
{
    m_builtContentType.clear();
    m_bodyFile.close();
    m_body.setExactBytes(bytes, displayText);
    showBody();
}

void frmBrowser::setBody(const RequestBody& body)
{
    m_builtContentType.clear();
    m_bodyFile.close();
    if (body.hasFiles())
        m_body.setPieces(body.pieces(), body.Contents());
    else if (body.hasOwnRendering())
        m_body.setExactBytes(body.ContentBytes(), body.Contents());
    else
        m_body.setBytes(body.ContentBytes()); // never decoded whole: the box shows a bounded head
    showBody();
}

void frmBrowser::setBodyFromFile(const QString& path)
{
    RequestBody body;
    body.setFile(path);
    setBody(body);
    chkIncludePostData->setChecked(true);
}

void frmBrowser::cmdBodyFromFile_Click()
{
    // The same button leads back to a body typed in the box.
    if (!m_body.pieces().isEmpty()) {
        m_builtContentType.clear();
        m_body.clear();
        showBody();
        return;
    }
    const QString path = m_fileChooser ? m_fileChooser(false)
                                       : QFileDialog::getOpenFileName(this, u"Body from file"_s);
    if (!path.isEmpty())
        setBodyFromFile(path);
}

void frmBrowser::cmdSend_Click()
{
    // While the placeholder shows, the body is in the file: take what the editor saved.
    if (m_bodyFile.isOpen())
        ReloadBodyFromTempFile();
    // The proxy setting as the control panel left it.
    m_session->setProxySetting(SettingFromPreference(ReadProxyPreference(m_app.userData())));
    m_session->cmdSend_Click();
}

void frmBrowser::DisableRequestControls()
{
    cmdSend->setEnabled(false);
    ctrlHeaders1->f_DisableControls();
    cmdRB_FORMdata->setEnabled(false);
    txtPort->setEnabled(false);
    txtPortSecure->setEnabled(false);
    cmbHTTPver->setEnabled(false);
    chkIncludePostData->setEnabled(false);
    cmbReqMethod->setEnabled(false);
    cmbServer->setEnabled(false);
    cmbURL->setEnabled(false);
    chkSecureConnection->setEnabled(false);
    cmdBodyEditor->setEnabled(false);
    cmdBodyFromFile->setEnabled(false);
    txtRequestBody->setEnabled(false);
}

void frmBrowser::EnableRequestControls()
{
    cmdSend->setEnabled(true);
    ctrlHeaders1->f_EnableControls();
    txtPort->setEnabled(true);
    txtPortSecure->setEnabled(true);
    cmbHTTPver->setEnabled(true);
    chkIncludePostData->setEnabled(true);
    cmbReqMethod->setEnabled(true);
    cmbServer->setEnabled(true);
    cmbURL->setEnabled(true);
    chkSecureConnection->setEnabled(true);
    txtRequestBody->setEnabled(true);
    // Last, so the form-builder mode decides the editor button and the body box.
    SetFormBuilderMode(chkRB_UseFormBuilder->isChecked());
}

void frmBrowser::enableSendButton()
{
    cmdSend->setEnabled(true);
}

ResultSink* frmBrowser::currentResult()
{
    return m_result.data();
}

ResultSink* frmBrowser::MakeNewResultWindow()
{
    auto* result = new frmResult;
    // Requests prepared from an analysed page come back to this window.
    result->setMessageSink(&m_messages);
    connect(result, &frmResult::URLRequested, this, [this](const HTTPRequest& request) {
        SetControls_RequestFromURL(request);
        focusRequestWindow();
    });
    connect(result, &frmResult::FormRequested, this, [this](const HTTPRequest& request) {
        SetControls_FormRequest(request);
        focusRequestWindow();
    });
    // A form goes through the form builder, filled with the fields the page would send.
    result->elementTreePanel()->setFormEditor([this](const HtmlForm& form, QList<FormField>& rows) {
        // A builder of its own: the user's rows in the application's builder stay theirs.
        frmFORMBuilder builder(m_messages, window());
        for (const FormField& row : rows)
            builder.rows()->appendRow(row);
        builder.DisableAddFieldControls();
        builder.setMultipartRequested(form.multipart);
        const QRect mine(mapToGlobal(QPoint()), size());
        builder.move(mine.center() - QPoint(builder.width() / 2, builder.height() / 2));
        DialogRunner::exec(builder);
        if (!builder.bOkClicked())
            return false;
        rows = builder.rows()->fields();
        return true;
    });
    // The WSDL page acts on the document its own exchange received.
    result->wsdlPanel()->setServices(m_webServices);
    result->wsdlPanel()->setSource([result]() -> std::optional<WsdlResponse> {
        if (result->wsdlBody().bytes.isEmpty())
            return std::nullopt;
        return WsdlResponse { result->wsdlBody().bytes, result->wsdlRequest().FullPath(),
                              result->wsdlBody().text };
    });
    const QPoint offset(Twips::toPx(1100), Twips::toPx(1300));
    if (m_area) {
        QWidget* mine = FramedSubWindow::of(this);
        FramedSubWindow* sub = FramedSubWindow::addTo(m_area, result);
        sub->move((mine ? mine->pos() : QPoint()) + offset);
        if (m_closedResultPlace.isValid())
            sub->setGeometry(m_closedResultPlace);
    } else {
        result->move(pos() + offset);
        if (m_closedResultPlace.isValid())
            result->setGeometry(m_closedResultPlace);
    }
    m_closedResultPlace = QRect();
    result->installEventFilter(this);
    m_result = result;
    return result;
}

void frmBrowser::currentResultClosing()
{
    // The next result window comes back where the user had this one.
    const FramedSubWindow* sub = FramedSubWindow::of(m_result);
    m_closedResultPlace = sub ? sub->geometry() : m_result->geometry();
    m_result = nullptr;
    // A response is never split across windows: closing the window of a running exchange
    // cancels it, so nothing of it arrives elsewhere or is stored.
    const Exchange::State state = ctrlHTTP1->exchange()->state();
    if (m_session->isBusy()
        && (state == Exchange::State::Connecting || state == Exchange::State::Transferring))
        ctrlHTTP1->exchange()->pressButton();
    if (m_sequenceRunner && m_sequenceRunner->isRunning())
        m_sequenceRunner->cancel();
}

void frmBrowser::UnloadCurrentResultWindow()
{
    if (m_result)
        m_result->close();
    m_result = nullptr;
}

void frmBrowser::setTransportVisible(bool visible)
{
    ctrlHTTP1->setVisible(visible);
    if (visible)
        ctrlHTTP1->raise();
}

void frmBrowser::showResultWindow()
{
    if (!m_result)
        return;
    m_result->show();
    if (FramedSubWindow* sub = FramedSubWindow::of(m_result)) {
        sub->show();
        if (m_area)
            m_area->setActiveSubWindow(sub);
    } else {
        m_result->raise();
        m_result->activateWindow();
    }
    m_result->setFocus();
}

void frmBrowser::focusRequestWindow()
{
    if (FramedSubWindow* sub = FramedSubWindow::of(this); sub && m_area)
        m_area->setActiveSubWindow(sub);
    else
        activateWindow();
    setFocus();
}

frmResult* frmBrowser::oResult() const
{
    return m_result.data();
}

HTTPResponse* frmBrowser::oResp() const
{
    return m_session->oResp();
}

void frmBrowser::GetHistoryForHost()
{
    const QString port = chkSecureConnection->isChecked() ? txtPortSecure->text() : txtPort->text();
    cmbURL->clear();
    cmbURL->addItem(u"/"_s);
    for (const QString& url :
         m_app.history().GetHistoryURLs(cmbServer->currentText().toLower(), port))
        AddHistoryItemURL(url);
    cmbURL->setCurrentIndex(0);
}

void frmBrowser::refreshPaths()
{
    // The path the user typed or the window was given stays what SEND takes.
    const QString path = cmbURL->currentText();
    GetHistoryForHost();
    cmbURL->setEditText(path);
}

void frmBrowser::AddHistoryItemServer(const QString& server)
{
    const QString lower = server.toLower();
    if (cmbServer->findText(lower, Qt::MatchFixedString) < 0)
        cmbServer->addItem(lower);
}

void frmBrowser::AddHistoryItemURL(const QString& url)
{
    // Paths are case-sensitive: /A and /a are different resources.
    if (!url.isEmpty() && cmbURL->findText(url, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        cmbURL->addItem(url);
}

void frmBrowser::cmdPasteUrl_Click()
{
    const QString text = QGuiApplication::clipboard()->text().trimmed();
    if (LooksLikeCurlCommand(text)) {
        pasteCurlCommand(text);
        return;
    }
    const QString scheme = text.left(8).toLower();
    std::optional<HTTPRequest> request;
    if (scheme.startsWith("http://"_L1) || scheme.startsWith("https://"_L1))
        request = ParseLocation(text);
    if (!request) {
        m_messages.showMessage(kClipboardError, u"Error:"_s, MessageSink::Icon::Error);
        return;
    }
    SetControls_RequestFromURL(*request);
}

qint32 frmBrowser::SetControls_RequestFromURL(const HTTPRequest& request)
{
    RequestForm form = requestForm();
    UrlRequestIntoForm(request, form);
    showForm(form);
    m_bodyFile.close();
    m_body.clear();
    m_builtContentType.clear();
    showBody();
    SetDefaultHeaders();
    cmdSend->setFocus();
    return 0;
}

void frmBrowser::SetControls_FormRequest(const HTTPRequest& request)
{
    SetControls_RequestFromURL(request);
    RequestForm form = requestForm();
    FormRequestIntoForm(request, form, *ctrlHeaders1->headers());
    showForm(form);
    if (form.includeBody)
        setBody(request.Body);
}

qint32 frmBrowser::SetControls_LoadedRequest(const HTTPRequest& request)
{
    RequestForm form = requestForm();
    LoadRequestIntoForm(request, form);
    showForm(form);
    setBody(request.Body);
    ctrlHeaders1->headers()->LoadHeadersFromText(request.Header);
    return 0;
}

void frmBrowser::SetControls_Redirected(const HTTPRequest& request)
{
    RequestForm form = requestForm();
    RedirectForm(request, form);
    showForm(form);
}

void frmBrowser::setRedirectMethod(const QString& method, bool withoutBody)
{
    cmbReqMethod->setEditText(method);
    if (withoutBody)
        chkIncludePostData->setChecked(false);
}

void frmBrowser::setRedirectPrompt(std::function<bool(RedirectQuestion&)> prompt)
{
    m_redirectPrompt = std::move(prompt);
}

bool frmBrowser::askRedirect(RedirectQuestion& question)
{
    if (m_redirectPrompt)
        return m_redirectPrompt(question);
    if (!m_redirect)
        m_redirect = new frmRedirect(window());
    placeOverMainWindow(m_redirect);
    return m_redirect->ask(question);
}

void frmBrowser::placeOverMainWindow(QWidget* dialog)
{
    if (m_placer) {
        m_placer->CenterFormOnMe(dialog);
        return;
    }
    const QRect mine = QRect(mapToGlobal(QPoint()), size());
    dialog->move(mine.center() - QPoint(dialog->width() / 2, dialog->height() / 2));
}

void frmBrowser::cmdBodyEditor_Click()
{
    // A second press while the placeholder shows first takes what the editor saved, so the
    // file is written with the body, never with the placeholder.
    if (m_bodyFile.isOpen())
        ReloadBodyFromTempFile();
    if (!m_bodyFile.open(m_body.bytes())) {
        m_messages.showMessage(u"Error saving body contetns to temporary file"_s, u"Error:"_s,
                               MessageSink::Icon::Error);
        return;
    }
    if (const ShellTarget opened = OpenWithShell(m_bodyFile.path()); !opened) {
        // No editor to wait for: the body stays as it was, and the box with it.
        m_bodyFile.close();
        showBody();
        m_messages.showMessage(opened.error, u"Error:"_s, MessageSink::Icon::Error);
        return;
    }
    m_showingBody = true;
    txtRequestBody->setPlainText(kEditorPlaceholder); // shown, never sent, saved or written
    m_showingBody = false;
    SetFormBuilderMode(chkRB_UseFormBuilder->isChecked());
}

void frmBrowser::ReloadBodyFromTempFile()
{
    // The message box below takes the focus and gives it back; that is no second check.
    if (m_checkingBody)
        return;
    const bool wasOpen = m_bodyFile.isOpen();
    std::optional<QByteArray> edited;
    const Result checked = m_bodyFile.check(edited);
    if (edited) {
        m_body.setBytes(*edited);
        showBody();
    } else if (wasOpen) {
        // Unchanged or unreadable: the last good body replaces the placeholder.
        showBody();
    }
    if (!checked) {
        m_checkingBody = true;
        m_messages.showMessage(u"Error reading body contents temporary file"_s, u"Error:"_s,
                               MessageSink::Icon::Error);
        m_checkingBody = false;
    }
}

void frmBrowser::setFileChooser(std::function<QString(bool save)> chooser)
{
    m_fileChooser = std::move(chooser);
}

void frmBrowser::menuItemClicked(const QString& tag)
{
    if (tag == "loadreq"_L1) {
        const QString path = m_fileChooser
            ? m_fileChooser(false)
            : QFileDialog::getOpenFileName(this, QString(), QString(),
                                           u"Pelorin HTTP Request file (*.phr)"_s);
        if (!path.isEmpty())
            openRequestFile(path);
    } else if (tag == "savereq"_L1) {
        saveRequest(m_requestFile.isEmpty());
    } else if (tag == "savereqas"_L1) {
        saveRequest(true);
    } else if (tag == "stopusing"_L1) {
        setRequestFile(QString());
    } else if (tag == "sequence"_L1) {
        sendSequence();
    } else if (tag == "copycurl"_L1) {
        const QString command = curlCommand();
        if (!command.isEmpty())
            QGuiApplication::clipboard()->setText(command);
    } else if (tag == "clientcerts"_L1) {
        openClientCertificates();
    }
}

void frmBrowser::setRequestFile(const QString& path)
{
    m_requestFile = path;
    ctrlWindowContainer1->setCaption(captionFor(path));
    ctrlWindowContainer1->EnableMenuItem(u"savereq"_s, !path.isEmpty());
    ctrlWindowContainer1->EnableMenuItem(u"stopusing"_s, !path.isEmpty());
}

HTTPRequest frmBrowser::requestFromWindow() const
{
    HTTPRequest request;
    if (chkIncludePostData->isChecked() && !m_body.pieces().isEmpty())
        request.Body.setPieces(m_body.pieces(), m_body.shownText());
    else if (chkIncludePostData->isChecked())
        request.Body.setContents(m_body.bytes(), m_body.shownText());
    request.Header = ctrlHeaders1->headers()->GetRequestHeaders();
    FillRequestFields(requestForm(), request);
    return request;
}

void frmBrowser::saveRequest(bool askForPath)
{
    QString path = askForPath ? QString() : m_requestFile;
    if (askForPath) {
        if (m_fileChooser) {
            path = m_fileChooser(true);
        } else {
            QFileDialog dialog(this, QString(), QString(), u"Pelorin HTTP Request file (*.phr)"_s);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setDefaultSuffix(u"phr"_s);
            if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
                path = dialog.selectedFiles().constFirst();
        }
        if (path.isEmpty())
            return;
    }
    // The editor's saved work is the body to store, never the placeholder.
    if (m_bodyFile.isOpen())
        ReloadBodyFromTempFile();
    // The path becomes the current file only once it holds the request.
    if (!SaveRequestFile(requestFromWindow(), path)) {
        m_messages.showMessage(u"An error occured trying to save the request"_s, u"Error:"_s,
                               MessageSink::Icon::Error);
        return;
    }
    setRequestFile(path);
}

bool frmBrowser::openRequestFile(const QString& path)
{
    HTTPRequest request;
    if (!LoadRequestFile(path, request)) {
        m_messages.showMessage(u"Error loading request '"_s + path + u'\'', u"Error"_s,
                               MessageSink::Icon::Error);
        return false;
    }
    m_requestFile = path;
    if (SetControls_LoadedRequest(request) == 0)
        setRequestFile(path);
    return true;
}

void frmBrowser::cmdRB_FORMdata_Click()
{
    frmFORMBuilder& builder = frmFORMBuilder::appBuilder(m_messages, window());
    // Centred over this window, which may sit anywhere inside the main window.
    const QRect mine(mapToGlobal(QPoint()), size());
    builder.move(mine.center() - QPoint(builder.width() / 2, builder.height() / 2));
    builder.setTarget(this);
    DialogRunner::exec(builder);
    builder.setTarget(nullptr);
}

void frmBrowser::applyFormBody(const FormBody& body)
{
    if (body.pieces.isEmpty()) {
        setBodyBytes(body.body, body.displayText);
    } else {
        RequestBody pieces;
        pieces.setPieces(body.pieces, body.displayText);
        setBody(pieces);
    }
    m_builtContentType = body.contentType;
    SetFormBodyHeaders(*ctrlHeaders1->headers(), body);
    // Without it the send pipeline would drop the body just built.
    chkIncludePostData->setChecked(true);
}

HTTPRequest frmBrowser::requestToSend() const
{
    return PreviewRequest(requestForm(), ctrlHeaders1->headers()->GetRequestHeaders(),
                          m_app.settings(), &m_app.cookies(), m_session->lastServer());
}

QString frmBrowser::curlCommand()
{
    // The editor's saved work is the body, never the placeholder.
    if (m_bodyFile.isOpen())
        ReloadBodyFromTempFile();
    const HTTPRequest request = requestToSend();
    QString command;
    const CurlTlsFiles tls = request.Secure
        ? CurlTlsOf(m_clientTls.choiceFor(HostForConnect(request.Server),
                                          ParsePortNumber(request.Port).number))
        : CurlTlsFiles();
    const Result made = CurlCommandForRequest(request, m_app.folder().path(), command, tls);
    if (!made)
        m_messages.showMessage(made.text, u"Error:"_s, MessageSink::Icon::Error);
    else
        for (const QString& option :
             CurlOptionsForProxy(SettingFromPreference(ReadProxyPreference(m_app.userData()))))
            command += u" \\\n  "_s + option;
    return command;
}

bool frmBrowser::pasteCurlCommand(const QString& command)
{
    const CurlImport imported = ImportCurlCommand(command);
    if (!imported) {
        m_messages.showMessage(imported.error, u"Error:"_s, MessageSink::Icon::Error);
        return false;
    }
    const HTTPRequest& request = imported.request;
    RequestForm form = requestForm();
    CurlRequestIntoForm(request, imported.includeBody, form);
    showForm(form);
    ctrlHeaders1->headers()->LoadHeadersFromText(request.Header);
    setBody(request.Body);
    // The command's certificate becomes the target's choice; its passphrase is asked when needed.
    if (TargetTls choice; !imported.tls.isEmpty() && TargetTlsOf(imported.tls, choice)) {
        m_clientTls.setTarget(tlsTarget(), choice);
        keepClientCertificates();
    }
    if (!imported.notes.isEmpty())
        m_messages.showMessage(u"Parts of the curl command were not taken over:\n"_s
                                   + imported.notes.join(u'\n'),
                               u"Ups:"_s, MessageSink::Icon::Information);
    cmdSend->setFocus();
    return true;
}

bool frmBrowser::sendSequence()
{
    if (m_session->isBusy() || (m_sequenceRunner && m_sequenceRunner->isRunning()))
        return false;
    frmSequence dialog(this);
    if (DialogRunner::exec(dialog) != QDialog::Accepted)
        return false;
    const SequenceRunner::Mode mode = dialog.mode();
    // On one connection the server must not close after the first response.
    const bool close
        = mode == SequenceRunner::Mode::Synchronised && m_app.settings().CloseConnection;
    QList<HTTPRequest> requests;
    if (dialog.repeatCurrent()) {
        if (m_bodyFile.isOpen())
            ReloadBodyFromTempFile();
        requests = QList<HTTPRequest>(
            dialog.count(),
            m_session->prepareForSequence(requestForm(),
                                          ctrlHeaders1->headers()->GetRequestHeaders(), close));
    } else {
        for (const QString& path : dialog.files()) {
            HTTPRequest loaded;
            if (!LoadRequestFile(path, loaded)) {
                m_messages.showMessage(u"Error loading request '"_s + path + u'\'', u"Error"_s,
                                       MessageSink::Icon::Error);
                return false;
            }
            RequestForm form = requestForm();
            LoadRequestIntoForm(loaded, form);
            requests.append(m_session->prepareForSequence(form, loaded.Header, close));
        }
    }
    if (!m_sequenceRunner) {
        m_sequenceRunner = new SequenceRunner(*m_session, this);
        connect(m_sequenceRunner, &SequenceRunner::finished, this, [this] {
            EnableRequestControls();
            showResultWindow();
        });
    }
    ResultSink* sink = currentResult() ? currentResult() : MakeNewResultWindow();
    sink->ClearResults();
    const HTTPRequest& first = requests.constFirst();
    sink->setCaption(u"Sequence of %1 requests to %2:%3"_s.arg(
        QString::number(requests.size()), QString(first.Server).replace(u'&', u"&&"_s),
        first.Port));
    DisableRequestControls();
    showResultWindow();
    // The proxy setting as the control panel left it, as for a single send.
    m_session->setProxySetting(SettingFromPreference(ReadProxyPreference(m_app.userData())));
    m_sequenceRunner->start(requests, mode, sink);
    return true;
}

void frmBrowser::loadClientCertificates()
{
    LoadClientTlsTargets(m_app.userData(), m_clientTls);
}

QString frmBrowser::tlsTarget() const
{
    const RequestForm form = requestForm();
    const QString port = form.secure ? form.portSecure : form.port;
    return TlsTargetName(HostForConnect(form.server), ParsePortNumber(port).number);
}

void frmBrowser::openClientCertificates()
{
    ClientCertificatesDialog dialog(m_clientTls, tlsTarget(), window());
    connect(&dialog, &ClientCertificatesDialog::changed, this, &frmBrowser::keepClientCertificates);
    DialogRunner::exec(dialog);
}

void frmBrowser::keepClientCertificates()
{
    // A kept connection presented the identity chosen before.
    ConnectionPool& pool = ctrlHTTP1->exchange()->connections();
    if (pool.isOpen() && pool.key().secure)
        pool.closeNow(u"Client certificates changed; connection to "_s + pool.key().text()
                      + u" closed"_s);
    StoreClientTlsTargets(m_app.userData(), m_clientTls);
    m_app.SaveUserDataReported(false, Flush::ToSystem);
}
