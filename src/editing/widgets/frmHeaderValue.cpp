#include "editing/widgets/frmHeaderValue.h"

#include "shell/Twips.h"
#include "shell/widgets/ctrlFormBar.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::StringLiterals;

frmHeaderValue::frmHeaderValue(QWidget* parent)
    : FramedDialog(parent)
    , m_list(new QListWidget(this))
    , m_hint(new QLabel(u"(hold down 'ctrl' to select multiple values)"_s, this))
    , m_text(new QLineEdit(this))
    , m_ok(new QPushButton(u"OK"_s, this))
    , m_cancel(new QPushButton(u"Cancel"_s, this))
    , m_separator(u";"_s)
{
    setObjectName(u"frmHeaderValue"_s);
    formBar()->setCaption(u"Header values"_s);
    formBar()->setBarColor(1);
    formBar()->setShowCloseButton(false);
    formBar()->setShowMaximizeButton(false);
    formBar()->setShowMinimizeButton(false);
    formBar()->setShowmenu(false);
    setFixedSize(Twips::toPx(5355), Twips::toPx(3330));

    m_list->setObjectName(u"ListView1"_s);
    m_hint->setObjectName(u"lblSelectMultiple"_s);
    m_text->setObjectName(u"txtCustomValue"_s);
    m_ok->setObjectName(u"cmdOK"_s);
    m_cancel->setObjectName(u"cmdCancel"_s);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformItemSizes(true);
    m_ok->setDefault(true);

    auto* caption = new QLabel(u"Pre-defined values:"_s, this);
    caption->setBuddy(m_list);
    auto* choices = new QVBoxLayout;
    choices->addWidget(caption);
    choices->addWidget(m_list, 1);
    choices->addWidget(m_hint);
    auto* buttons = new QVBoxLayout;
    buttons->addSpacing(caption->sizeHint().height());
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(choices, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Twips::toPx(120), formBar()->height() + Twips::toPx(90),
                               Twips::toPx(120), Twips::toPx(120));
    layout->addLayout(top, 1);
    layout->addWidget(m_text);

    connect(m_list, &QListWidget::itemSelectionChanged, this, &frmHeaderValue::copySelection);
    // A click on the item already selected copies it again, over what was typed since.
    connect(m_list, &QListWidget::itemClicked, this, &frmHeaderValue::copySelection);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

frmHeaderValue::~frmHeaderValue() = default;

void frmHeaderValue::SetValues(const QStringList& values, bool multiple, const QString& separator,
                               const QString& currentValue)
{
    m_filling = true;
    m_list->clear();
    m_list->addItems(values);
    m_list->setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection
                                      : QAbstractItemView::SingleSelection);
    m_hint->setVisible(multiple);
    m_separator = separator.isEmpty() ? u";"_s : separator;
    m_text->setText(currentValue);
    m_filling = false;
}

void frmHeaderValue::copySelection()
{
    if (m_filling)
        return;
    // Selected items in list order, not in the order they were clicked.
    QStringList chosen;
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->isSelected())
            chosen.append(m_list->item(row)->text());
    }
    if (m_list->selectionMode() == QAbstractItemView::SingleSelection && chosen.isEmpty())
        return;
    m_text->setText(chosen.join(m_separator));
}

void frmHeaderValue::done(int result)
{
    m_okClicked = result == QDialog::Accepted;
    if (m_okClicked)
        m_headerValue = m_text->text();
    FramedDialog::done(result);
}
