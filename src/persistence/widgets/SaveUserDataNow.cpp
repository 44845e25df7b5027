#include "persistence/widgets/SaveUserDataNow.h"

#include "persistence/AppData.h"
#include "shell/MessageSink.h"

using namespace Qt::StringLiterals;

bool SaveUserDataNow(const AppData& app, MessageSink& messages)
{
    QString error;
    if (app.SaveUserData(&error))
        return true;
    messages.showMessage(u"Cookies and history could not be saved to %1:\n%2"_s.arg(
                             app.folder().userDataFile(), error),
                         u"Error"_s, MessageSink::Icon::Error);
    return false;
}
