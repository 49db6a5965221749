#pragma once

#include "tally/TallyStore.h"

// How a question box was left. Closing it without choosing is an answer of its own.
enum class TallyAnswer { Yes, No, Closed };

// The modal boxes the tally list needs, each asked for by what it is about; the boxes choose
// the words.
class TallyDialogs {
public:
    virtual ~TallyDialogs() = default;
    // The Yes/No question whether to reset the tally.
    virtual TallyAnswer askReset() = 0;
    // The tally file could not be read (reading.outcome is Failed): why, with one OK button.
    virtual void showReadFailure(const TallyReading& reading) = 0;
};
