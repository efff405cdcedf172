#pragma once
// One call of the versions or trash dialogs to the server: under the wait cursor, and a
// refusal told to the user, so each dialog only says what to do with the answer.

#include "app/NoteHistory.h"

#include "ui/UserPrompts.h"
#include "ui/WaitCursor.h"

#include <QString>

namespace qb {

// What call returns (an optional or a bool); when that is empty or false, the user has
// been told the history's error.
template <typename Call>
auto AskHistory(QWidget* parent, const CNoteHistory& history, Call call)
{
    auto answer = [&] {
        WaitCursor wait;
        return call();
    }();
    if (!answer)
        Prompts().Information(parent, QString::fromStdString(history.Error()));
    return answer;
}

} // namespace qb
