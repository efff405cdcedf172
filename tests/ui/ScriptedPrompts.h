#pragma once
// Message boxes answered by a script: what was shown, in order, and the answers to give.

#include "ui/UserPrompts.h"

#include <deque>
#include <string>
#include <vector>

namespace qb::testing {

class ScriptedPrompts : public IUserPrompts {
public:
    enum class Box { Information, Plain, YesNo, Question, ToCopy };

    void Information(QWidget*, const QString& text) override
    {
        shown.push_back(text.toStdString());
        boxes.push_back(Box::Information);
    }
    void Plain(QWidget*, const QString& text) override
    {
        shown.push_back(text.toStdString());
        boxes.push_back(Box::Plain);
    }
    void InformationToCopy(QWidget*, const QString& text) override
    {
        shown.push_back(text.toStdString());
        boxes.push_back(Box::ToCopy);
    }
    bool AskYesNo(QWidget*, const QString& text) override { return Ask(text, Box::YesNo); }
    bool AskQuestion(QWidget*, const QString& text) override { return Ask(text, Box::Question); }
    std::vector<std::string> shown; // information and plain boxes
    std::vector<std::string> asked; // questions
    std::vector<Box> boxes;         // every box, in order
    std::deque<bool> answers;

private:
    bool Ask(const QString& text, Box box)
    {
        asked.push_back(text.toStdString());
        boxes.push_back(box);
        const bool answer = answers.empty() ? false : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
};

} // namespace qb::testing
