#pragma once

class AppData;
class MessageSink;

// Writes the user data at once, after the user changed it in a viewer, so that the change
// survives however the program ends. On failure shows a message naming the file and the
// reason and returns false.
bool SaveUserDataNow(const AppData& app, MessageSink& messages);
