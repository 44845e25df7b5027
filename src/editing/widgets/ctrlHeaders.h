#pragma once

#include <QPersistentModelIndex>
#include <QString>
#include <QWidget>

class Configuration;
class DialogPlacer;
class HeaderTable;
class QLabel;
class QTableView;
class QToolButton;
class frmHeaderValue;
class frmLogin;
class frmRequestHeaders;
struct AutoSettings;

// The request header grid of the request window: a view over the HeaderTable it owns, which
// is the only store of the header lines (callers edit and read the headers through
// headers()), with the header catalogue, the value chooser and basic authentication.
//
// Value cells are edited only as clicking them allows: Connection never, Host not while the
// automatic Host setting is on, a catalogued header through its value button ("...") or the
// keyboard, any other header in place at once. Names change only through the operations.
class ctrlHeaders final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctrlHeaders)

public:
    // The tool tips a click on a value that cannot be edited puts on the grid.
    static QString connectionToolTip();
    static QString hostToolTip();

    // An empty grid. config gives the catalogue and the value lists; settings is read at
    // every click. Both must outlive the control.
    ctrlHeaders(const Configuration& config, const AutoSettings& settings,
                QWidget* parent = nullptr);
    ~ctrlHeaders() override;

    // The header lines the grid shows; lives as long as the control.
    HeaderTable* headers() const { return m_headers; }

    // Where the dialogs are placed; null (the default) centres them on this control's window.
    // The placer must outlive the control or be reset first.
    void setDialogPlacer(DialogPlacer* placer) { m_placer = placer; }

    // Disable (enable) the catalogue button, the grid and the authentication button together,
    // for the time a request is in progress.
    void f_DisableControls();
    void f_EnableControls();

    // What the "+/-" button does: shows the catalogue with the entries present in the grid
    // (names compared case-sensitively) ticked; on OK adds the ticked missing ones with empty
    // values, removes the unticked present ones and re-sorts. Cancel changes nothing.
    void ShowHeaderCatalogue();
    // What the authentication button does: asks for a user id and password and, on "Add",
    // sets Authorization to "Basic " and the Base64 of their UTF-8 "userid:password".
    void AddBasicAuthentication();
    // What the value button does: offers the catalogued values of the row last clicked and, on
    // OK, sets its value to the chosen text. Nothing when the button is not shown.
    void ChooseHeaderValue();

    // The parts, for the hosting window and tests.
    QTableView* flxRequestHeaders() const { return m_grid; }
    QToolButton* cmdAddHeader() const { return m_addHeader; }
    QToolButton* cmdBasicAuth() const { return m_basicAuth; }
    QToolButton* cmdValue() const { return m_valueButton; }
    // The dialogs, created on first use (null before) and kept until the control goes.
    frmRequestHeaders* requestHeadersDialog() const { return m_catalogue; }
    frmHeaderValue* headerValueDialog() const { return m_valueChooser; }
    frmLogin* loginDialog() const { return m_login; }

    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cellClicked(const QModelIndex& index);
    void resetCellState();
    void placeValueButton();
    bool hasRowNamed(const QString& name) const;
    void place(QWidget* dialog);
    frmRequestHeaders& ensureCatalogue();
    frmHeaderValue& ensureValueChooser();
    frmLogin& ensureLogin();

    const Configuration& m_config;
    const AutoSettings& m_settings;
    DialogPlacer* m_placer = nullptr;
    HeaderTable* m_headers;
    QLabel* m_caption;
    QTableView* m_grid;
    QToolButton* m_addHeader;
    QToolButton* m_basicAuth;
    QToolButton* m_valueButton;
    frmRequestHeaders* m_catalogue = nullptr;
    frmHeaderValue* m_valueChooser = nullptr;
    frmLogin* m_login = nullptr;

    // The row last clicked: its catalogued values ("|"-separated), whether several may be
    // chosen, and the text that joins them.
    QPersistentModelIndex m_buttonCell;
    QString m_valueList;
    bool m_multiple = false;
    QString m_separator;
};
