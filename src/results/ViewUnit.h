#pragma once
// The results window: the grid of downloaded (or opened) test results and its
// Open and Save buttons. For now a plain table over the grid data.

#include <QWidget>

#include "app/SharedState.h"
#include "platform/gui/UiTarget.h"
#include "results/ResultsGrid.h"

class QGroupBox;
class QPushButton;
class QTableView;
class ResultsGridModel;

class TViewForm : public QWidget, public ResultsWindowTarget {
    Q_OBJECT
public:
    TViewForm(SharedState& s, QWidget* parent = nullptr);
    ~TViewForm() override;

    const ResultsGrid& Grid() const;

    // ResultsWindowTarget: the Ui effects, on the GUI thread.
    void ClearGrid() override;
    void ShowGrid(ResultsGrid grid) override;
    void EnableResultsButtons(bool enabled) override;
    void ShowResults() override;

    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QTableView* StringGrid1 = nullptr;

    void FormCreate();

private:
    SharedState& s_;
    ResultsGridModel* model_ = nullptr;
};
