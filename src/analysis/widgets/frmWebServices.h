#pragma once

#include <QWidget>

#include <array>

class MessageSink;
class QLabel;
class QPushButton;
class QTreeWidget;
class WebServices;
class ctrlWindowContainer;

// The repository window: the stored WSDL files with the URLs they came from. Remove deletes
// a file after asking; List operations opens the SOAP wizard on it. Closing hides the window.
class frmWebServices final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmWebServices)

public:
    // services and messages must outlive the window.
    frmWebServices(WebServices& services, MessageSink& messages, QWidget* parent = nullptr);
    ~frmWebServices() override;

    // Refills the list from the repository folder; nothing is selected afterwards.
    void EnumWebServices();

    QTreeWidget* lstServices() const { return m_list; }
    // Index 0 "Remove", index 1 "List operations"; enabled while a file is selected.
    QPushButton* cmdAction(int index) const { return m_cmdAction.at(index); }
    ctrlWindowContainer* frame() const { return m_frame; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cmdAction_Click(int index);
    QString selectedFile() const;

    WebServices& m_services;
    MessageSink& m_messages;
    ctrlWindowContainer* m_frame;
    QWidget* m_content;
    QTreeWidget* m_list;
    std::array<QPushButton*, 2> m_cmdAction {};
};
