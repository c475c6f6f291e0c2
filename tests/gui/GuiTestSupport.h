#pragma once
// Helpers of the window tests: polling the event loop instead of sleeping,
// answering message boxes, and clicking into widgets.

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs the event loop until done() holds or timeoutMs passes; the final value of done().
inline bool PollUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Watches for a message box and lets onBox look at it and answer it. Boxes run
// their own event loop, so the watching is done by a timer that fires inside it.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::function<void(QMessageBox&)> onBox) : onBox_(std::move(onBox)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box->property("answered").toBool()) return;
            box->setProperty("answered", true);
            ++count_;
            onBox_(*box);
        });
        timer_.start();
    }
    int Count() const { return count_; }

private:
    std::function<void(QMessageBox&)> onBox_;
    QTimer timer_;
    int count_ = 0;
};

// A left click (press and release) at pos in widget's coordinates.
inline void ClickAt(QWidget* widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF local(pos);
    const QPointF global(widget->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}
