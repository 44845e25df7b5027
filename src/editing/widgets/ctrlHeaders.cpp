#include "editing/widgets/ctrlHeaders.h"

#include "editing/BasicAuthorization.h"
#include "editing/HeaderTable.h"
#include "editing/widgets/frmHeaderValue.h"
#include "editing/widgets/frmLogin.h"
#include "editing/widgets/frmRequestHeaders.h"
#include "persistence/AutoSettings.h"
#include "persistence/Configuration.h"
#include "shell/DialogPlacer.h"
#include "shell/Twips.h"
#include "shell/widgets/CenterFormOver.h"
#include "shell/widgets/DialogRunner.h"

#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>

#include <functional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int kNameColumnWidth = 1800;

// Measures its sections in its own font. QHeaderView measures them in bold, for sections it
// highlights in bold; these never are, and the bold face was a font loaded only for that, a
// tenth of the request window's making.
class PlainHeader final : public QHeaderView
{
public:
    explicit PlainHeader(QWidget* parent)
        : QHeaderView(Qt::Horizontal, parent)
    { }

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.section = logicalIndex;
        if (model())
            option.text = model()->headerData(logicalIndex, orientation()).toString();
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    }
};

// Keeps an in-place editor clear of the value button beside it.
class ValueCellDelegate final : public QStyledItemDelegate
{
public:
    ValueCellDelegate(std::function<int(const QModelIndex&)> reserved, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_reserved(std::move(reserved))
    { }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override
    {
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
        if (const int width = m_reserved(index); width > 0)
            editor->setGeometry(editor->geometry().adjusted(0, 0, -width, 0));
    }

private:
    std::function<int(const QModelIndex&)> m_reserved;
};

QToolButton* smallButton(const QString& text, const QString& toolTip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(toolTip);
    return button;
}

} // namespace

QString ctrlHeaders::connectionToolTip()
{
    return u"\"Connection: keep-alive\" is not supported by Pelorin"_s;
}

QString ctrlHeaders::hostToolTip()
{
    return u"\"Auto-set-host-header\" is enabled. You can change that setting from the control "
           "panel."_s;
}

ctrlHeaders::ctrlHeaders(const Configuration& config, const AutoSettings& settings, QWidget* parent)
    : QWidget(parent)
    , m_config(config)
    , m_settings(settings)
    , m_headers(new HeaderTable(this))
    , m_caption(new QLabel(u"Request Header:"_s, this))
    , m_grid(new QTableView(this))
    , m_addHeader(smallButton(u"+/-"_s, u"Add/Remove headers"_s, this))
    , m_basicAuth(smallButton(u"Auth"_s, u"Add Basic Authentication Header"_s, this))
    , m_valueButton(new QToolButton(m_grid->viewport()))
    , m_separator(u";"_s)
{
    setObjectName(u"ctrlHeaders"_s);
    m_grid->setObjectName(u"flxRequestHeaders"_s);
    m_addHeader->setObjectName(u"cmdAddHeader"_s);
    m_basicAuth->setObjectName(u"cmdBasicAuth"_s);
    m_valueButton->setObjectName(u"cmdValue"_s);

    m_grid->setHorizontalHeader(new PlainHeader(m_grid));
    m_grid->setModel(m_headers);
    m_grid->setItemDelegate(new ValueCellDelegate(
        [this](const QModelIndex& index) {
            return index == m_buttonCell && !m_valueButton->isHidden() ? m_valueButton->width() : 0;
        },
        m_grid));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setWordWrap(false);
    m_grid->setFrameShape(QFrame::Box);
    m_grid->setFrameShadow(QFrame::Plain);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    QHeaderView* columns = m_grid->horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setHighlightSections(false);
    columns->setSectionsClickable(false);
    columns->setStretchLastSection(true);
    m_grid->setColumnWidth(0, Twips::toPx(kNameColumnWidth));

    m_valueButton->setText(u"..."_s);
    m_valueButton->setToolTip(u"Choose a value"_s);
    // Taking the focus ends an in-place edit first, so its text does not overwrite the choice.
    m_valueButton->setFocusPolicy(Qt::StrongFocus);
    m_valueButton->hide();

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(Twips::toPx(60));
    layout->setVerticalSpacing(Twips::toPx(30));
    layout->addWidget(m_caption, 0, 0, Qt::AlignLeft | Qt::AlignBottom);
    layout->addWidget(m_addHeader, 0, 1);
    layout->addWidget(m_basicAuth, 0, 2);
    layout->addWidget(m_grid, 1, 0, 1, 3);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(1, 1);

    connect(m_grid, &QAbstractItemView::clicked, this, &ctrlHeaders::cellClicked);
    // What a click allowed belongs to the cell clicked: moving away by keyboard takes it back.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ctrlHeaders::resetCellState);
    connect(m_valueButton, &QToolButton::clicked, this, &ctrlHeaders::ChooseHeaderValue);
    connect(m_addHeader, &QToolButton::clicked, this, &ctrlHeaders::ShowHeaderCatalogue);
    connect(m_basicAuth, &QToolButton::clicked, this, &ctrlHeaders::AddBasicAuthentication);

    // The button follows its cell when rows move, come or go; it goes with its row.
    connect(m_headers, &QAbstractItemModel::layoutChanged, this, &ctrlHeaders::placeValueButton);
    connect(m_headers, &QAbstractItemModel::modelReset, this, &ctrlHeaders::placeValueButton);
    connect(m_headers, &QAbstractItemModel::rowsInserted, this, &ctrlHeaders::placeValueButton);
    connect(m_headers, &QAbstractItemModel::rowsRemoved, this, &ctrlHeaders::placeValueButton);
    connect(columns, &QHeaderView::sectionResized, this, &ctrlHeaders::placeValueButton);
    connect(m_grid->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ctrlHeaders::placeValueButton);
    connect(m_grid->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &ctrlHeaders::placeValueButton);
    m_grid->viewport()->installEventFilter(this);
}

ctrlHeaders::~ctrlHeaders() = default;

QSize ctrlHeaders::sizeHint() const
{
    return QSize(Twips::toPx(6000), Twips::toPx(2700));
}

void ctrlHeaders::f_DisableControls()
{
    for (QWidget* part : { static_cast<QWidget*>(m_addHeader), static_cast<QWidget*>(m_grid),
                           static_cast<QWidget*>(m_basicAuth) })
        part->setEnabled(false);
}

void ctrlHeaders::f_EnableControls()
{
    for (QWidget* part : { static_cast<QWidget*>(m_addHeader), static_cast<QWidget*>(m_grid),
                           static_cast<QWidget*>(m_basicAuth) })
        part->setEnabled(true);
}

void ctrlHeaders::resetCellState()
{
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_valueButton->hide();
    m_buttonCell = QPersistentModelIndex();
}

void ctrlHeaders::cellClicked(const QModelIndex& index)
{
    resetCellState();
    if (!index.isValid() || index.column() != 1 || index.row() >= m_headers->rows().size())
        return;
    const QString name = m_headers->rows().at(index.row()).name;
    const QString lower = name.toLower();
    // The send pipeline sets these itself; an edit here would be overwritten unseen.
    if (lower == "connection"_L1) {
        m_grid->setToolTip(connectionToolTip());
        return;
    }
    if (lower == "host"_L1 && m_settings.SetHostHeader) {
        m_grid->setToolTip(hostToolTip());
        return;
    }
    m_grid->setToolTip(QString());
    m_valueList = m_config.GetHeaderValueList(name, m_multiple, m_separator);
    if (m_valueList.isEmpty()) {
        m_grid->edit(index);
        return;
    }
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                            | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_buttonCell = index;
    m_valueButton->show();
    placeValueButton();
}

void ctrlHeaders::placeValueButton()
{
    if (m_valueButton->isHidden())
        return;
    if (!m_buttonCell.isValid()) {
        resetCellState();
        return;
    }
    const QRect cell = m_grid->visualRect(m_buttonCell);
    const int side = cell.height();
    m_valueButton->setGeometry(cell.right() + 1 - side, cell.top(), side, side);
}

bool ctrlHeaders::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid->viewport() && event->type() == QEvent::Resize)
        placeValueButton();
    return QWidget::eventFilter(watched, event);
}

bool ctrlHeaders::hasRowNamed(const QString& name) const
{
    for (const HeaderTable::Row& row : m_headers->rows()) {
        // Header names ignore case: ticking "Accept" must not treat an "accept" row as missing
        // and so empty its value through AddHeader.
        if (row.name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void ctrlHeaders::place(QWidget* dialog)
{
    if (m_placer)
        m_placer->CenterFormOnMe(dialog);
    else
        CenterFormOver(this, dialog);
}

frmRequestHeaders& ctrlHeaders::ensureCatalogue()
{
    if (!m_catalogue) {
        m_catalogue = new frmRequestHeaders(m_config.HeaderCatalogue(), this);
        connect(m_catalogue, &frmRequestHeaders::CustomHeaderRemoved, m_headers,
                &HeaderTable::RemoveHeader);
    }
    return *m_catalogue;
}

frmHeaderValue& ctrlHeaders::ensureValueChooser()
{
    if (!m_valueChooser)
        m_valueChooser = new frmHeaderValue(this);
    return *m_valueChooser;
}

frmLogin& ctrlHeaders::ensureLogin()
{
    if (!m_login)
        m_login = new frmLogin(this);
    return *m_login;
}

void ctrlHeaders::ShowHeaderCatalogue()
{
    frmRequestHeaders& catalogue = ensureCatalogue();
    place(&catalogue);
    for (int i = 0; i < catalogue.entryCount(); ++i)
        catalogue.setEntryChecked(i, hasRowNamed(catalogue.entryName(i)));
    DialogRunner::exec(catalogue);
    if (!catalogue.bOkClicked())
        return;
    QStringList removals;
    QStringList kept;
    for (int i = 0; i < catalogue.entryCount(); ++i) {
        const QString name = catalogue.entryName(i);
        const bool present = hasRowNamed(name);
        if (catalogue.isEntryChecked(i)) {
            kept.append(name);
            if (!present)
                m_headers->AddHeader(name, QString(), false);
        } else if (present) {
            removals.append(name);
        }
    }
    // An unticked custom "accept" must not take the row a ticked "Accept" keeps.
    for (const QString& name : std::as_const(removals)) {
        if (!kept.contains(name, Qt::CaseInsensitive))
            m_headers->RemoveHeader(name);
    }
    m_headers->SortRows();
}

void ctrlHeaders::AddBasicAuthentication()
{
    frmLogin& login = ensureLogin();
    place(&login);
    DialogRunner::exec(login);
    if (!login.bLogin())
        return;
    m_headers->AddHeader(
        u"Authorization"_s,
        BasicAuthorizationValue(login.txtUID()->text(), login.txtPassword()->text()), false);
}

void ctrlHeaders::ChooseHeaderValue()
{
    if (m_valueButton->isHidden() || !m_buttonCell.isValid())
        return;
    frmHeaderValue& chooser = ensureValueChooser();
    chooser.SetValues(m_valueList.split(u'|'), m_multiple, m_separator,
                      m_headers->rows().at(m_buttonCell.row()).value);
    place(&chooser);
    DialogRunner::exec(chooser);
    if (chooser.bOkClicked() && m_buttonCell.isValid())
        m_headers->setValue(m_buttonCell.row(), chooser.sHeaderValue());
}
