#pragma once

#include "message/HTTPRequest.h"
#include "persistence/HistoryViewer.h"
#include "shell/widgets/FramedWindow.h"

#include <QHash>
#include <QIcon>
#include <QStyle>

#include <functional>
#include <optional>

class AppData;
class MessageSink;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The recorded requests as a tree: "History", then host:port, the folders of each URL and its
// document. Request rebuilds the selected document's request in the request window; Remove
// takes it out of the history store (saved at once) and prunes emptied branches. Items below
// the host are told apart with letter case, as paths are.
class frmHistory final : public FramedWindow, public HistoryViewer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmHistory)

public:
    using RequestTarget = std::function<void(const HTTPRequest&)>;

    // Becomes the history store's viewer until destroyed; app and messages must outlive it.
    frmHistory(AppData& app, MessageSink& messages, QWidget* parent = nullptr);
    ~frmHistory() override;

    // Where Request sends the rebuilt request (the request window); none: nothing happens.
    void setRequestTarget(RequestTarget target) { m_target = std::move(target); }

    // HistoryViewer
    qint32 AddToHistory(const QString& serverAndPort, const QString& url, bool secure) override;

    // The request of the selected document item; no value when none is selected.
    std::optional<HTTPRequest> RequestFromSelectedItem() const;

    QTreeWidget* tree() const { return TreeView1; }
    QPushButton* requestButton() const { return cmdGet; }
    QPushButton* removeButton() const { return cmdAction; }

private:
    QTreeWidgetItem* child(QTreeWidgetItem* parent, const QString& text, const QString& tag,
                           const QString& url) const;
    // The style's icon of that kind, made once.
    const QIcon& styleIcon(QStyle::StandardPixmap pixmap) const;
    void updateButtons();
    void cmdGet_Click();
    void cmdAction_Click();

    AppData& m_app;
    MessageSink& m_messages;
    QTreeWidget* TreeView1;
    QTreeWidgetItem* m_root;
    QPushButton* cmdGet;
    QPushButton* cmdAction;
    RequestTarget m_target;
    mutable QHash<int, QIcon> m_icons;
};
