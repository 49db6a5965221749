#pragma once

// Ttallylist, the tally list window.

#include "engine/TallyCalls.h"
#include "tally/TallyDisplay.h"
#include "tally/TallyLocalDisk.h"
#include "tally/TallyStore.h"
#include "tally/TallyTable.h"

#include <QWidget>

#include <array>
#include <filesystem>
#include <memory>

class QLabel;
class TFlatPanel;
class TSelButton;
class TallyCalendar;
class TallyDialogs;
class TallyRecords;

// The tally list window: the player's three totals and ten best scores. It reads the tally file
// when it is created and writes it when it is destroyed; in between it keeps the record in
// memory, whether shown or hidden. Modeless; DONE or the close button only hides it.
class Ttallylist : public QWidget, private TallyDisplay {
    Q_OBJECT

public:
    // owner: the main window; the tally window stays above it. folder: where the tally file
    // lives. calendar and dialogs default to the system's date and real message boxes; a read
    // error is shown through dialogs as an error titled "Bloomzap".
    Ttallylist(QWidget* owner, const std::filesystem::path& folder,
               TallyCalendar* calendar = nullptr, TallyDialogs* dialogs = nullptr);
    // Writes the tally file.
    ~Ttallylist() override;

    // What the game calls at game start, board cleared and game over.
    TallyCalls& tallycalls();

    // Copies the table into the window.
    void loadtally();
    // Offers a finished game's score to the ten best; returns whether it entered them.
    bool checkscore(int score, const std::string& name);
    // Raises the total of a column (1 to 3) to value if value is greater.
    void checkchange(int column, int value);
    // Stores text as the total of a column and shows it.
    void addtomineset(int column, const std::string& text);
    // Adds one to the number in a table cell and returns it; a cell without a number counts as 0.
    int addit(int column, int row);
    // Adds one to a total and shows it.
    void addtomineincrease(int column);

    // places the window over the centre of the given window, shows it and brings it to the front.
    void showCentredOn(QWidget* window);

    const TallyReading& reading() const { return m_reading; }

public slots:
    void button_resetClick();
    void button_doneClick();

private:
    void FormCreate();
    void FormDestroy();

    void showTotal(int column, const std::string& text) override;
    void showPlace(int place, const TallyPlace& row) override;

    QLabel* makeLabel(const QString& name, const QString& text, int left, int top, int width,
                      Qt::Alignment alignment);
    TSelButton* makeButton(const QString& name, const QString& caption, int left, int width);

    // What gets stored; the labels below are what the player sees.
    TallyTable stringgrid_scores;
    TFlatPanel* FlatPanel1 = nullptr;
    std::array<QLabel*, TallyTable::totals> mylabel_{};
    std::array<QLabel*, TallyTable::places> label_num{};
    std::array<QLabel*, TallyTable::places> label_date{};
    std::array<QLabel*, TallyTable::places> label_name{};
    std::array<QLabel*, TallyTable::places> label_high{};
    TSelButton* button_reset = nullptr;
    TSelButton* button_done = nullptr;

    std::unique_ptr<TallyCalendar> m_ownCalendar;
    std::unique_ptr<TallyDialogs> m_ownDialogs;
    TallyDialogs* m_dialogs;
    TallyLocalDisk m_disk;
    TallyStore m_store;
    TallyReading m_reading;
    std::unique_ptr<TallyRecords> m_records;
};
