#pragma once
// The small borderless detail window of the results grid: one disabled memo
// that lists a row's values with their column titles.

#include <QWidget>

class QPlainTextEdit;

class TWatchForm : public QWidget {
    Q_OBJECT
  public:
    explicit TWatchForm(QWidget* parent = nullptr);

    // Adds one line at the end of the memo.
    void AddLine(const QString& line);

    QPlainTextEdit* OutputWindow = nullptr;
};
