// Repaints follow the display's pace: a burst of presents becomes one repaint per refresh
// interval, and the last present is always painted.
#include "platform/qt/paint_pacer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

namespace hk::test {
namespace {

class CountingWidget : public QWidget {
public:
    int paints = 0;
    QRegion painted;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        painted += event->region();
    }
};

void RunEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(500);
    }
}

TEST(PaintPacer, RefreshRateGivesTheInterval) {
    QWidget widget;
    EXPECT_EQ(PaintPacer(widget, 60).IntervalMs(), 16);
    EXPECT_EQ(PaintPacer(widget, 144).IntervalMs(), 6);
    EXPECT_EQ(PaintPacer(widget, 0).IntervalMs(), 33) << "an unknown rate counts as the slowest allowed";
    EXPECT_EQ(PaintPacer(widget, 1000).IntervalMs(), 4);
}

TEST(PaintPacer, ABurstOfPresentsPaintsOncePerInterval) {
    CountingWidget widget;
    widget.resize(64, 64);
    widget.show();
    RunEventsFor(50);
    PaintPacer pacer(widget, 50); // 20 ms
    const int paints_before = widget.paints;
    // A present every half millisecond for 100 ms: 200 requests.
    QElapsedTimer clock;
    clock.start();
    int requests = 0;
    while (clock.elapsed() < 100) {
        pacer.Request();
        ++requests;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(500);
    }
    const qint64 elapsed = clock.elapsed();
    RunEventsFor(60); // the folded last request lands within one interval
    // At most one repaint per 20 ms (plus the first, at once, and the trailing one), however busy
    // the machine made the loop.
    EXPECT_LE(pacer.Repaints(), elapsed / 20 + 2);
    EXPECT_GE(pacer.Repaints(), 2);
    EXPECT_GT(requests, pacer.Repaints());
    EXPECT_GE(widget.paints - paints_before, 1);
    EXPECT_LE(widget.paints - paints_before, pacer.Repaints());
}

TEST(PaintPacer, TheLastPresentIsAlwaysPainted) {
    CountingWidget widget;
    widget.resize(64, 64);
    widget.show();
    RunEventsFor(50);
    PaintPacer pacer(widget, 30); // 33 ms
    QElapsedTimer clock;
    clock.start();
    pacer.Request(); // painted at once
    RunEventsFor(5);
    const int after_first = widget.paints;
    pacer.Request(); // too soon: folded into a repaint at the end of the interval
    if (clock.elapsed() < 33) {
        EXPECT_EQ(pacer.Repaints(), 1);
    }
    RunEventsFor(60);
    EXPECT_EQ(pacer.Repaints(), 2);
    EXPECT_GT(widget.paints, after_first);
}

TEST(PaintPacer, PartsAskedForBeforeTheRepaintArePaintedTogetherAndNothingElse) {
    CountingWidget widget;
    widget.resize(200, 100);
    widget.show();
    RunEventsFor(50);
    PaintPacer pacer(widget, 30); // 33 ms
    QElapsedTimer clock;
    clock.start();
    pacer.Request(QRect(10, 10, 4, 4)); // painted at once
    RunEventsFor(5);
    widget.painted = QRegion();
    const int paints_before = widget.paints;
    // Two small parts within one interval: one repaint covering both, not the whole window.
    pacer.Request(QRect(20, 30, 8, 8));
    pacer.Request(QRect(150, 60, 8, 8));
    pacer.Request(QRect(0, 0, 0, 0)); // nothing
    if (clock.elapsed() >= 30)
        GTEST_SKIP() << "the machine was too busy to time this";
    RunEventsFor(60);
    EXPECT_EQ(widget.paints - paints_before, 1);
    EXPECT_TRUE(widget.painted.contains(QRect(20, 30, 8, 8)));
    EXPECT_TRUE(widget.painted.contains(QRect(150, 60, 8, 8)));
    EXPECT_FALSE(widget.painted.contains(QPoint(100, 5)));
    EXPECT_FALSE(widget.painted.contains(QPoint(10, 10))) << "an area already painted is not painted again";
    // A whole-window request after that covers everything.
    widget.painted = QRegion();
    RunEventsFor(40);
    pacer.Request();
    RunEventsFor(60);
    EXPECT_TRUE(widget.painted.contains(widget.rect()));
}

TEST(PaintPacer, ALateRepaintDoesNotPushTheLaterSlotsBack) {
    QWidget widget;
    PaintPacer pacer(widget, 50); // slots every 20 ms
    QElapsedTimer clock;
    clock.start();
    pacer.Request(); // painted at once; the next slot is at 20 ms
    while (clock.elapsed() < 38)
        QThread::usleep(200);
    pacer.Request(); // 18 ms late for its slot: painted now, and the slot after stays at 40 ms
    const bool ready = pacer.ReadyForFrame();
    if (clock.elapsed() >= 41)
        GTEST_SKIP() << "the machine was too busy to time this";
    EXPECT_EQ(pacer.Repaints(), 2);
    EXPECT_TRUE(ready) << "a frame made now is due at the 40 ms slot, within a tick";
}

} // namespace
} // namespace hk::test
