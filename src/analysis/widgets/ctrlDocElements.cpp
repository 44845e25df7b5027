#include "analysis/widgets/ctrlDocElements.h"

#include "shell/MessageSink.h"

#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTagRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;

enum Icon : int {
    FileIcon = 1,
    AnchorIcon = 2,
    ImageIcon = 3,
    AttributeIcon = 4,
    ButtonIcon = 5,
    CheckboxIcon = 6,
    FormIcon = 7,
    SelectIcon = 8,
    RadioIcon = 9,
    TextIcon = 10,
    RootIcon = 11,
    PasswordIcon = 12,
    HiddenIcon = 13,
};

int fieldIcon(const QString& type)
{
    static const QHash<QString, int> icons = {
        { u"TEXT"_s, TextIcon },     { u"TEXTAREA"_s, TextIcon },
        { u"HIDDEN"_s, HiddenIcon }, { u"PASSWORD"_s, PasswordIcon },
        { u"RADIO"_s, RadioIcon },   { u"CHECKBOX"_s, CheckboxIcon },
        { u"BUTTON"_s, ButtonIcon }, { u"SUBMIT"_s, ButtonIcon },
        { u"RESET"_s, ButtonIcon },  { u"IMAGE"_s, ImageIcon },
        { u"SELECT"_s, SelectIcon }, { u"FILE"_s, FileIcon },
    };
    return icons.value(type, 0);
}

QPixmap drawIcon(int index)
{
    const int size = 32; // drawn large, scaled down sharply by the view
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    const QRectF box(4, 4, 24, 24);
    auto letter = [&](const QString& text, const QColor& fill) {
        p.setBrush(fill);
        p.drawRoundedRect(box, 4, 4);
        QFont font = p.font();
        font.setPixelSize(18);
        font.setBold(true);
        p.setFont(font);
        p.drawText(box, Qt::AlignCenter, text);
    };
    switch (index) {
    case FileIcon: {
        QPainterPath page;
        page.moveTo(8, 3);
        page.lineTo(20, 3);
        page.lineTo(26, 9);
        page.lineTo(26, 29);
        page.lineTo(8, 29);
        page.closeSubpath();
        p.setBrush(QColor(0xF4, 0xF4, 0xF4));
        p.drawPath(page);
        break;
    }
    case AnchorIcon:
        letter(u"a"_s, QColor(0xBF, 0xD9, 0xFF));
        break;
    case ImageIcon:
        p.setBrush(QColor(0xCF, 0xEF, 0xC8));
        p.drawRect(box);
        p.setBrush(QColor(0x3C, 0x8D, 0x2F));
        p.drawPolygon(QPolygonF({ QPointF(6, 26), QPointF(14, 14), QPointF(20, 22), QPointF(23, 18),
                                  QPointF(27, 26) }));
        break;
    case AttributeIcon:
        letter(u"="_s, QColor(0xE6, 0xE6, 0xE6));
        break;
    case ButtonIcon:
        p.setBrush(QColor(0xDD, 0xDD, 0xDD));
        p.drawRoundedRect(QRectF(2, 9, 28, 14), 5, 5);
        break;
    case CheckboxIcon:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 6, 20, 20));
        p.drawPolyline(QPolygonF({ QPointF(10, 16), QPointF(15, 21), QPointF(23, 10) }));
        break;
    case FormIcon:
        letter(u"F"_s, QColor(0xFF, 0xE0, 0xC0));
        break;
    case SelectIcon:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2, 9, 28, 14));
        p.setBrush(QColor(0x30, 0x30, 0x30));
        p.drawPolygon(QPolygonF({ QPointF(20, 13), QPointF(28, 13), QPointF(24, 19) }));
        break;
    case RadioIcon:
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(6, 6, 20, 20));
        p.setBrush(QColor(0x30, 0x30, 0x30));
        p.drawEllipse(QRectF(12, 12, 8, 8));
        break;
    case TextIcon:
        letter(u"T"_s, Qt::white);
        break;
    case RootIcon: {
        p.setBrush(QColor(0xF2, 0xC9, 0x4C));
        QPainterPath folder;
        folder.moveTo(3, 8);
        folder.lineTo(12, 8);
        folder.lineTo(15, 11);
        folder.lineTo(29, 11);
        folder.lineTo(29, 27);
        folder.lineTo(3, 27);
        folder.closeSubpath();
        p.drawPath(folder);
        break;
    }
    case PasswordIcon:
        letter(u"*"_s, Qt::white);
        break;
    case HiddenIcon:
        letter(u"h"_s, QColor(0xD0, 0xD0, 0xD0));
        break;
    default:
        return {};
    }
    return pixmap;
}

} // namespace

ctrlDocElements::ctrlDocElements(QWidget* parent)
    : QWidget(parent)
    , m_label(new QLabel(u"Navigate to link in document"_s, this))
    , m_tree(new QTreeWidget(this))
    , m_get(new QPushButton(u"Make request"_s, this))
{
    setObjectName(u"ctrlDocElements"_s);
    m_tree->setObjectName(u"TreeView1"_s);
    m_get->setObjectName(u"cmdGet"_s);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setUniformRowHeights(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label);
    layout->addWidget(m_tree, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_get);
    layout->addLayout(buttons);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { currentChanged(item); });
    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { currentChanged(item); });
    connect(m_get, &QPushButton::clicked, this, &ctrlDocElements::cmdGet_Click);
    ClearTree();
}

QIcon ctrlDocElements::elementIcon(int index)
{
    const QPixmap pixmap = drawIcon(index);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

QTreeWidgetItem* ctrlDocElements::addNode(QTreeWidgetItem* parent, const QString& text, int icon,
                                          const QString& tag, int index)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    item->setText(0, text);
    if (icon > 0)
        item->setIcon(0, elementIcon(icon));
    if (!tag.isNull())
        item->setData(0, kTagRole, tag);
    item->setData(0, kIndexRole, index);
    return item;
}

void ctrlDocElements::addAttributes(QTreeWidgetItem* node, const QList<HtmlAttribute>& attributes)
{
    for (const HtmlAttribute& attribute : attributes)
        addNode(node, attribute.text, AttributeIcon, QString());
}

void ctrlDocElements::ClearTree()
{
    m_tree->clear();
    m_elements = {};
    m_page = {};
    m_count = 0;
    m_anchors = addNode(nullptr, u"Anchors"_s, RootIcon, u"a"_s);
    m_images = addNode(nullptr, u"Images"_s, RootIcon, u"img"_s);
    m_forms = addNode(nullptr, u"Forms"_s, RootIcon, u"form"_s);
    fDisableControls();
}

void ctrlDocElements::fDisableControls()
{
    m_tree->setEnabled(false);
    m_get->setEnabled(false);
    m_get->setText(u"-"_s);
}

int ctrlDocElements::ParseHTMLDocument(const QString& sDoc, const HTTPRequest& page)
{
    ClearTree();
    m_elements = ScanHtml(sDoc);
    m_page = page;
    for (int i = 0; i < m_elements.anchors.size(); ++i) {
        const HtmlLink& anchor = m_elements.anchors.at(i);
        addAttributes(addNode(m_anchors, anchor.text, AnchorIcon, u"GET"_s, i), anchor.attributes);
    }
    for (int i = 0; i < m_elements.images.size(); ++i) {
        const HtmlLink& image = m_elements.images.at(i);
        addAttributes(addNode(m_images, image.text, ImageIcon, u"GET"_s, i), image.attributes);
    }
    for (int i = 0; i < m_elements.forms.size(); ++i) {
        const HtmlForm& form = m_elements.forms.at(i);
        QTreeWidgetItem* node = addNode(m_forms, form.name.isEmpty() ? u"<noname>"_s : form.name,
                                        FormIcon, form.method, i);
        addAttributes(node, form.attributes);
        for (const HtmlField& field : form.fields)
            addAttributes(addNode(node, field.name.isEmpty() ? u"<noname>"_s : field.name,
                                  fieldIcon(field.type), QString()),
                          field.attributes);
    }
    m_count = m_elements.count();
    m_anchors->setExpanded(true);
    m_images->setExpanded(true);
    m_forms->setExpanded(true);
    m_tree->setEnabled(true);
    m_tree->setCurrentItem(m_anchors);
    return m_count;
}

void ctrlDocElements::currentChanged(QTreeWidgetItem* item)
{
    const QString tag = item ? item->data(0, kTagRole).toString() : QString();
    const bool requestable = tag == "GET"_L1 || tag == "POST"_L1;
    m_get->setEnabled(requestable);
    m_get->setText(requestable ? u"Make new request"_s : u"-"_s);
}

void ctrlDocElements::refuse()
{
    if (m_messages)
        m_messages->showMessage(kRefusedLinkMessage, u"Sorry"_s, MessageSink::Icon::Information);
}

void ctrlDocElements::cmdGet_Click()
{
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !item->parent())
        return;
    const QString kind = item->parent()->data(0, kTagRole).toString();
    const int index = item->data(0, kIndexRole).toInt();

    if (kind == "a"_L1 || kind == "img"_L1) {
        const QList<HtmlLink>& links = kind == "a"_L1 ? m_elements.anchors : m_elements.images;
        if (index < 0 || index >= links.size() || !links.at(index).hasReference)
            return;
        const ElementRequest request
            = LinkRequest(links.at(index).reference, m_page, m_elements.baseHref);
        if (request.status == ElementRequest::Status::Refused)
            refuse();
        else if (request)
            Q_EMIT URLRequested(request.request);
        return;
    }
    if (kind != "form"_L1 || index < 0 || index >= m_elements.forms.size())
        return;
    const HtmlForm& form = m_elements.forms.at(index);
    // Refused before the editor opens: there is nothing the user could send.
    if (FormRequest(form, {}, m_page, m_elements.baseHref).status
        == ElementRequest::Status::Refused) {
        refuse();
        return;
    }
    QList<FormField> rows = FormRows(form);
    if (m_formEditor && !m_formEditor(form, rows))
        return;
    const ElementRequest request = FormRequest(form, rows, m_page, m_elements.baseHref);
    if (request)
        Q_EMIT FormRequested(request.request);
}
