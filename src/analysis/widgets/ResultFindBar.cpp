#include "analysis/widgets/ResultFindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>

using namespace Qt::StringLiterals;

ResultFindBar::ResultFindBar(QWidget* parent)
    : QWidget(parent)
    , m_find(new QLineEdit(this))
    , m_previous(new QToolButton(this))
    , m_next(new QToolButton(this))
    , m_case(new QCheckBox(u"Match &case"_s, this))
    , m_status(new QLabel(this))
    , m_line(new QLineEdit(this))
{
    setAutoFillBackground(true);
    m_find->setObjectName(u"txtFind"_s);
    m_find->setClearButtonEnabled(true);
    m_find->setMinimumWidth(100);
    // The status gives way first when the page is narrow.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setMinimumWidth(0);
    m_previous->setText(u"Previous"_s);
    m_previous->setToolTip(u"Previous match (Shift+F3)"_s);
    m_next->setText(u"Next"_s);
    m_next->setToolTip(u"Next match (F3)"_s);
    m_line->setObjectName(u"txtLine"_s);
    m_line->setValidator(
        new QRegularExpressionValidator(QRegularExpression(u"[0-9]{0,15}"_s), m_line));
    m_line->setMinimumWidth(60);
    m_line->setMaximumWidth(80);
    m_line->setToolTip(u"Go to line (Ctrl+G)"_s);
    auto* close = new QToolButton(this);
    close->setText(u"\u00D7"_s);
    close->setAutoRaise(true);
    close->setToolTip(u"Close (Esc)"_s);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(new QLabel(u"Find:"_s, this));
    row->addWidget(m_find, 1);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addWidget(m_case);
    row->addWidget(m_status, 1);
    row->addWidget(new QLabel(u"Line:"_s, this));
    row->addWidget(m_line);
    row->addWidget(close);

    connect(m_find, &QLineEdit::textChanged, this, &ResultFindBar::queryChanged);
    connect(m_case, &QCheckBox::toggled, this, &ResultFindBar::queryChanged);
    connect(m_previous, &QToolButton::clicked, this, [this] { Q_EMIT findRequested(false); });
    connect(m_next, &QToolButton::clicked, this, [this] { Q_EMIT findRequested(true); });
    connect(m_line, &QLineEdit::returnPressed, this, [this] {
        if (!m_line->text().isEmpty())
            Q_EMIT lineRequested(m_line->text().toLongLong());
    });
    connect(close, &QToolButton::clicked, this, [this] {
        hide();
        Q_EMIT closed();
    });
}

void ResultFindBar::focusFind()
{
    show();
    m_find->setFocus(Qt::ShortcutFocusReason);
    m_find->selectAll();
}

void ResultFindBar::focusLine()
{
    show();
    m_line->setFocus(Qt::ShortcutFocusReason);
    m_line->selectAll();
}

QString ResultFindBar::findText() const
{
    return m_find->text();
}

bool ResultFindBar::matchCase() const
{
    return m_case->isChecked();
}

void ResultFindBar::setStatus(const QString& text)
{
    m_status->setText(text);
}

QString ResultFindBar::status() const
{
    return m_status->text();
}

void ResultFindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        Q_EMIT closed();
    } else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
               && m_find->hasFocus()) {
        Q_EMIT findRequested(!(event->modifiers() & Qt::ShiftModifier));
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
