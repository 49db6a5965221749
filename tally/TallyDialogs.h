#pragma once

#include <string>

// How a question box was left. Closing it without choosing is an answer of its own.
enum class TallyAnswer { Yes, No, Closed };

// The modal boxes the tally list needs: the reset question and the error report.
class TallyDialogs {
public:
    virtual ~TallyDialogs() = default;
    // A Yes/No question.
    virtual TallyAnswer askYesNo(const std::string& title, const std::string& text) = 0;
    // An error with one OK button.
    virtual void showError(const std::string& title, const std::string& text) = 0;
};
