#include "results/WatchUnit.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TWatchForm::TWatchForm(QWidget* parent) : QWidget(parent) {
    setObjectName("WatchForm");
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Brevalon Zet&Kovan"));
    setGeometry(439, 384, 184, 123);

    OutputWindow = new QPlainTextEdit(this);
    OutputWindow->setObjectName("OutputWindow");
    OutputWindow->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(OutputWindow);
}
