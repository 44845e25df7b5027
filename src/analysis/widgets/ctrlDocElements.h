#pragma once

#include "analysis/HtmlRequest.h"
#include "analysis/HtmlScanner.h"
#include "message/HTTPRequest.h"

#include <QIcon>
#include <QWidget>

#include <functional>

class MessageSink;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The element tree panel: the anchors, images and forms of one HTML page in a tree, and a
// button that turns the selected one into a new request. The panel keeps the page's
// request and elements from the analysis on; later exchanges do not change them.
class ctrlDocElements final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctrlDocElements)

public:
    // Lets the user edit a form's rows before it is sent; false cancels the request.
    using FormEditor = std::function<bool(const HtmlForm& form, QList<FormField>& rows)>;

    // Tree icons by index (1 file, 2 anchor, 3 image, 4 attribute, 5 button, 6 checkbox,
    // 7 form, 8 select, 9 radio, 10 text, 11 root, 12 password, 13 hidden).
    static constexpr int kIconCount = 14;

    explicit ctrlDocElements(QWidget* parent = nullptr);

    // Removes every node, adds the roots Anchors, Images and Forms, disables the controls.
    void ClearTree();
    // Disables the tree and the button and captions the button "-".
    void fDisableControls();
    // Lists the elements of the decoded page text; page is the request that produced it,
    // against which references resolve. Returns the number of anchors, images and forms.
    int ParseHTMLDocument(const QString& sDoc, const HTTPRequest& page = {});

    // Where the "Sorry" refusal goes; null shows nothing.
    void setMessageSink(MessageSink* sink) { m_messages = sink; }
    // Sets the form editor; without one a form is sent with the values the page gives.
    void setFormEditor(FormEditor editor) { m_formEditor = std::move(editor); }

    // The request button: prepares the selected element's request (the button's click).
    void cmdGet_Click();

    // The element tree and the request button.
    QTreeWidget* TreeView1() const { return m_tree; }
    QPushButton* cmdGet() const { return m_get; }
    // What the last analysis found, and the request it resolves against.
    const HtmlElements& elements() const { return m_elements; }
    const HTTPRequest& page() const { return m_page; }

    // The picture of a tree icon index; a null icon out of range.
    static QIcon elementIcon(int index);

Q_SIGNALS:
    // An anchor or image was requested: a GET request for its absolute URL.
    void URLRequested(const HTTPRequest& request);
    // A form was requested: its whole request, body and content type included.
    void FormRequested(const HTTPRequest& request);

private:
    void currentChanged(QTreeWidgetItem* item);
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& text, int icon,
                             const QString& tag, int index = -1);
    void addAttributes(QTreeWidgetItem* node, const QList<HtmlAttribute>& attributes);
    void refuse();

    QLabel* m_label;
    QTreeWidget* m_tree;
    QPushButton* m_get;
    QTreeWidgetItem* m_anchors = nullptr;
    QTreeWidgetItem* m_images = nullptr;
    QTreeWidgetItem* m_forms = nullptr;
    HtmlElements m_elements;
    HTTPRequest m_page;
    int m_count = 0;
    MessageSink* m_messages = nullptr;
    FormEditor m_formEditor;
};
