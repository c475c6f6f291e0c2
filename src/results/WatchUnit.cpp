#include "results/WatchUnit.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TWatchForm::TWatchForm(QWidget* parent) : QWidget(parent) {
    setObjectName("WatchForm");
    // A pop-up that never takes the focus from the results window and has no
    // border or border icons.
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Brevalon Zet&Kovan"));
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    setGeometry(439, 384, 184, 123);

    OutputWindow = new QPlainTextEdit(this);
    OutputWindow->setObjectName("OutputWindow");
    OutputWindow->setReadOnly(true);
    OutputWindow->setEnabled(false);
    // Disabled only so that it takes no input: its lines are there to be read,
    // so they keep the normal text colour instead of the faint disabled one.
    QPalette palette = OutputWindow->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     palette.color(QPalette::Active, QPalette::Text));
    OutputWindow->setPalette(palette);
    OutputWindow->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    OutputWindow->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(OutputWindow);
}

void TWatchForm::AddLine(const QString& line) {
    OutputWindow->appendPlainText(line);
}
