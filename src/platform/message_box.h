// Message boxes with a caption and a warning icon.
//
// Unattended (the player started with its choices in the environment, so no
// launcher window and no one to click a box away) no box is shown: one line
// "CAPTION: TEXT" goes to standard error instead, with the carriage return
// between two sentences written as a space.
#pragma once

#include <string>

namespace glorbe {

void setMessageBoxUnattended(bool unattended);
bool messageBoxUnattended();

// Shows the box and waits until it is dismissed.
void showMessageBox(const std::string& caption, const std::string& text);

// The standard-error form of a message: "CAPTION: TEXT" with CR as a space.
std::string messageBoxLine(const std::string& caption, const std::string& text);

}  // namespace glorbe
