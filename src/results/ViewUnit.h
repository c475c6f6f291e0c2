#pragma once
// The results window: the grid of downloaded (or opened) test results, its Open
// and Save buttons, and the detail pop-up that a double-click on a row opens.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "core/SharedState.h"
#include "core/SystemPorts.h"
#include "platform/SystemClock.h"
#include "platform/gui/UiTarget.h"
#include "core/ResultsGrid.h"

class QAbstractButton;
class QGroupBox;
class QPushButton;
class QTableView;
class ResultsGridModel;
class TWatchForm;

class TViewForm : public QWidget, public ResultsWindowTarget {
    Q_OBJECT
  public:
    // Builds the window, applies its texts and places it for its first show at
    // (250, 120), 600 x 350. It stays hidden until a download has ended.
    TViewForm(SharedState& s, QWidget* parent = nullptr);
    ~TViewForm() override;

    const ResultsGrid& Grid() const;

    // The clock that stamps saved files (the computer's clock unless replaced).
    void SetClock(Clock& clock) { clock_ = &clock; }

    // The file dialogs of Open and Save: the chosen file name (UTF-8), or "" when
    // the user cancels. Replaceable, e.g. by a test that names the file itself.
    std::function<std::string()> OpenRecordDialog;
    std::function<std::string()> SaveDialog1;

    // The open detail window, or nullptr.
    TWatchForm* DetailWindow() const { return detail_.get(); }

    // ResultsWindowTarget: the Ui effects, on the GUI thread.
    void ClearGrid() override;
    void ShowGrid(ResultsGrid grid) override;
    void EnableResultsButtons(bool enabled) override;
    void ShowResults() override;

    // Components.
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QTableView* StringGrid1 = nullptr;

    // Pointer state: the last pointer position over the grid (grid coordinates)
    // and the grid row of the last selected cell.
    int GridMouseX = 0;
    int GridMouseY = 0;
    int GridSelectedRow = 0;

    // Handlers.
    void FormCreate();
    void Button1Click();
    void Button2Click();
    void StringGrid1MouseMove(QPoint gridPos);
    void StringGrid1SelectCell(int row);
    void StringGrid1Click();
    void StringGrid1MouseLeave();
    void StringGrid1DblClick();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void BuildComponents();
    void CloseDetailWindow();

    SharedState& s_;
    SystemClock systemClock_;
    Clock* clock_ = &systemClock_;
    ResultsGridModel* model_ = nullptr;
    QAbstractButton* corner_ = nullptr;
    std::unique_ptr<TWatchForm> detail_;
};
