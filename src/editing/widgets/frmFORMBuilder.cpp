#include "editing/widgets/frmFORMBuilder.h"

#include "editing/FormBodyTarget.h"
#include "editing/FormEncoder.h"
#include "editing/FormFieldTable.h"
#include "editing/widgets/frmTextareaData.h"
#include "shell/MessageSink.h"
#include "shell/Twips.h"
#include "shell/widgets/DialogRunner.h"
#include "shell/widgets/ctrlFormBar.h"

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int kNameWidth = 1500;
constexpr int kTypeWidth = 1000;
constexpr int kValueWidth = 1500;

// Paints the cells the row's type does not use, and the Type cell, in the builder's tint.
class TintDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        // The tint is light on any desktop, so its text is dark.
        if (index.data(FormFieldTable::TintRole).toBool()) {
            option->backgroundBrush = QColor(255, 224, 192);
            option->palette.setColor(QPalette::Text, Qt::black);
        }
    }
};

} // namespace

frmFORMBuilder& frmFORMBuilder::appBuilder(MessageSink& messages, QWidget* owner)
{
    static QPointer<frmFORMBuilder> builder;
    if (!builder)
        builder = new frmFORMBuilder(messages, owner);
    return *builder;
}

frmFORMBuilder::frmFORMBuilder(MessageSink& messages, QWidget* parent)
    : FramedDialog(parent)
    , m_messages(messages)
    , m_rows(new FormFieldTable(this))
    , m_typeLabel(new QLabel(u"Field Type:"_s, this))
    , m_newField(new QComboBox(this))
    , m_add(new QPushButton(u"Add"_s, this))
    , m_remove(new QPushButton(u"Remove"_s, this))
    , m_removeAll(new QPushButton(u"Remove All"_s, this))
    , m_grid(new QTableView(this))
    , m_ok(new QPushButton(u"OK"_s, this))
    , m_cancel(new QPushButton(u"Cancel"_s, this))
{
    setObjectName(u"frmFORMBuilder"_s);
    formBar()->setCaption(u"FORM Editor"_s);
    formBar()->setBarColor(1);
    formBar()->setShowCloseButton(false);
    formBar()->setShowMaximizeButton(false);
    formBar()->setShowMinimizeButton(false);
    formBar()->setShowmenu(false);
    setFixedSize(Twips::toPx(8190), Twips::toPx(4995));

    m_typeLabel->setObjectName(u"lblFieldType"_s);
    m_newField->setObjectName(u"cmbNewField"_s);
    m_add->setObjectName(u"cmdAddField"_s);
    m_remove->setObjectName(u"cmdRemoveField"_s);
    m_removeAll->setObjectName(u"cmdRemoveAll"_s);
    m_grid->setObjectName(u"flxFormItems"_s);
    m_ok->setObjectName(u"cmdOK"_s);
    m_cancel->setObjectName(u"cmdCancel"_s);

    // A fixed list: a typed code could make rows that send nothing.
    m_newField->setEditable(false);
    m_newField->addItems(FormFieldTable::fieldTypeLegends());
    m_newField->setCurrentIndex(0);
    // The box is narrower than its legends; the open list shows them whole.
    m_newField->view()->setMinimumWidth(m_newField->view()->sizeHintForColumn(0)
                                        + m_newField->view()->frameWidth() * 2);
    m_typeLabel->setBuddy(m_newField);
    m_remove->setEnabled(false);
    for (QPushButton* button : { m_add, m_remove, m_removeAll, m_cancel })
        button->setAutoDefault(false);
    m_ok->setDefault(true);

    m_grid->setModel(m_rows);
    m_grid->setItemDelegate(new TintDelegate(m_grid));
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setWordWrap(false);
    m_grid->setTabKeyNavigation(false);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    QHeaderView* columns = m_grid->horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setHighlightSections(false);
    columns->setSectionsClickable(true);
    m_grid->setColumnWidth(FormFieldTable::kNameColumn, Twips::toPx(kNameWidth));
    m_grid->setColumnWidth(FormFieldTable::kTypeColumn, Twips::toPx(kTypeWidth));
    for (int column = FormFieldTable::kFirstValueColumn; column < FormFieldTable::kColumnCount;
         ++column)
        m_grid->setColumnWidth(column, Twips::toPx(kValueWidth));

    auto* fieldBar = new QHBoxLayout;
    fieldBar->addWidget(m_typeLabel);
    fieldBar->addWidget(m_newField, 1);
    fieldBar->addWidget(m_add);
    fieldBar->addWidget(m_remove);
    fieldBar->addWidget(m_removeAll);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Twips::toPx(120), formBar()->height() + Twips::toPx(90),
                               Twips::toPx(120), Twips::toPx(120));
    layout->addLayout(fieldBar);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, &frmFORMBuilder::cmdAddField_Click);
    connect(m_remove, &QPushButton::clicked, this, &frmFORMBuilder::cmdRemoveField_Click);
    connect(m_removeAll, &QPushButton::clicked, this, &frmFORMBuilder::cmdRemoveAll_Click);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_grid, &QAbstractItemView::clicked, this, &frmFORMBuilder::cellClicked);
    connect(columns, &QHeaderView::sectionPressed, this, [this] { m_remove->setEnabled(false); });
    // A chosen file shows once across the cells that all hold its path.
    connect(m_rows, &QAbstractItemModel::rowsInserted, this, &frmFORMBuilder::updateSpans);
    connect(m_rows, &QAbstractItemModel::rowsRemoved, this, &frmFORMBuilder::updateSpans);
    connect(m_rows, &QAbstractItemModel::dataChanged, this, &frmFORMBuilder::updateSpans);
}

frmFORMBuilder::~frmFORMBuilder()
{
    // An open cell editor commits while the grid goes; this builder must not hear of it.
    disconnect(m_rows, nullptr, this, nullptr);
}

void frmFORMBuilder::AddFormItem(const QString& name, qint32 kind, const QString& value)
{
    m_rows->AddFormItem(name, kind, value);
}

void frmFORMBuilder::DisableAddFieldControls()
{
    m_addFieldsLocked = true;
    for (QWidget* part :
         std::initializer_list<QWidget*> { m_typeLabel, m_newField, m_add, m_remove })
        part->setEnabled(false);
}

void frmFORMBuilder::EnableAddFieldControls()
{
    m_addFieldsLocked = false;
    for (QWidget* part :
         std::initializer_list<QWidget*> { m_typeLabel, m_newField, m_add, m_remove })
        part->setEnabled(true);
}

void frmFORMBuilder::setFileChooser(FileChooser chooser)
{
    m_fileChooser = std::move(chooser);
}

void frmFORMBuilder::cmdAddField_Click()
{
    const int row = m_rows->AddField(FormFieldTable::typeCodeOf(m_newField->currentText()));
    if (row < 0)
        return;
    const QModelIndex name = m_rows->index(row, FormFieldTable::kNameColumn);
    m_grid->setCurrentIndex(name);
    m_remove->setEnabled(!m_addFieldsLocked);
    m_grid->setFocus();
    m_grid->edit(name);
    // Typing replaces the proposed name.
    if (auto* editor = qobject_cast<QLineEdit*>(m_grid->indexWidget(name)))
        editor->selectAll();
}

void frmFORMBuilder::cmdRemoveField_Click()
{
    const QModelIndex current = m_grid->currentIndex();
    if (current.isValid())
        m_rows->RemoveField(current.row());
    m_remove->setEnabled(false);
}

void frmFORMBuilder::cmdRemoveAll_Click()
{
    m_rows->RemoveAll();
    m_remove->setEnabled(false);
}

void frmFORMBuilder::done(int result)
{
    if (result == QDialog::Accepted) {
        // What is being typed into a cell counts: OK can come before the editor loses focus.
        const QModelIndex current = m_grid->currentIndex();
        if (QWidget* editor = m_grid->indexWidget(current))
            m_grid->itemDelegateForIndex(current)->setModelData(editor, m_rows, current);
        FormBody body = EncodeForm(m_rows->fields(), m_multipartRequested);
        if (!body) {
            m_messages.showMessage(body.error, u"Error:"_s, MessageSink::Icon::Error);
            return;
        }
        m_body = std::move(body);
        if (m_target)
            m_target->applyFormBody(m_body);
    }
    m_okClicked = result == QDialog::Accepted;
    FramedDialog::done(result);
}

void frmFORMBuilder::cellClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    m_remove->setEnabled(!m_addFieldsLocked);
    switch (m_rows->clickAction(index.row(), index.column())) {
    case FormFieldTable::Click::EditInPlace:
        m_grid->edit(index);
        break;
    case FormFieldTable::Click::EditText:
        editText(index.row());
        break;
    case FormFieldTable::Click::ChooseFile:
        chooseFile(index.row());
        break;
    case FormFieldTable::Click::None:
        break;
    }
}

void frmFORMBuilder::editText(int row)
{
    if (!m_textEditor)
        m_textEditor = new frmTextareaData(this);
    m_textEditor->setText(m_rows->fieldText(row));
    if (DialogRunner::exec(*m_textEditor) == QDialog::Accepted && m_textEditor->bOkClicked())
        m_rows->setFieldText(row, m_textEditor->text());
}

void frmFORMBuilder::chooseFile(int row)
{
    const QString path = m_fileChooser ? m_fileChooser() : chooseWithDialog();
    if (!path.isEmpty())
        m_rows->setFilePath(row, path);
}

QString frmFORMBuilder::chooseWithDialog()
{
    QFileDialog dialog(this, u"Choose a file"_s, QString(), u"Any file (*)"_s);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (DialogRunner::exec(dialog) != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

void frmFORMBuilder::updateSpans()
{
    m_grid->clearSpans();
    const QList<FormField>& fields = m_rows->fields();
    for (int row = 0; row < fields.size(); ++row) {
        if (fields.at(row).kind() == FormFieldKind::File && !fields.at(row).filePath().isEmpty())
            m_grid->setSpan(row, FormFieldTable::kFirstValueColumn + 1, 1,
                            FormField::kValueCount - 1);
    }
}
