// A game that runs on without anything new to show makes no heap allocation in a frame tick: at a
// waiting message, at a waiting choice, at the title menu, in the middle of a fade and of a
// reveal. This program's operator new counts the calling thread's allocations while a test asks
// it to.
#include "text_fixture.h"

#include <cstdlib>
#include <new>

namespace {

// Counting is switched on by the tests below only, on their own thread.
thread_local bool t_counting = false;
thread_local std::size_t t_allocations = 0;

void* Allocate(std::size_t size) {
    if (t_counting)
        ++t_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
// The non-throwing forms too: the library's own (std::stable_sort's buffer, for one) would otherwise
// come from the runtime's allocator and go back through the free below.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (t_counting)
        ++t_allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace hk::test {
namespace {

class SteadyStateAllocTest : public TextGame {
protected:
    // Allocations made by `ticks` frame ticks (and the loop's question after each).
    std::size_t AllocationsIn(int ticks) {
        t_allocations = 0;
        t_counting = true;
        for (int i = 0; i < ticks; ++i) {
            Tick();
            (void)TheEngine().NextDeadline();
        }
        t_counting = false;
        return t_allocations;
    }
};

TEST_F(SteadyStateAllocTest, AWaitingMessageAllocatesNothing) {
    PlayMessages({"アリサ「待っています。次の文はまだです」"}, 2);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Ticks(40);
    // About 600 ms: the wait icon turns ten times.
    EXPECT_EQ(AllocationsIn(200), 0u);
    EXPECT_EQ(Task(), TaskCode::TASK_WAIT_MESSAGE);
    // The count is real: advancing logs the message, which takes memory.
    t_allocations = 0;
    t_counting = true;
    Click(Point{400, 300});
    t_counting = false;
    EXPECT_GT(t_allocations, 0u);
}

TEST_F(SteadyStateAllocTest, ARevealAllocatesNothingAfterItsFirstTick) {
    PlayMessages({"一つ目の文です。", "二つ目の文は、ゆっくり現れます。"}, 1);
    TickUntil(TaskCode::TASK_WAIT_MESSAGE);
    Click(Point{400, 300});
    TickUntil(TaskCode::TASK_DISP_MESSAGE);
    Ticks(2);
    EXPECT_EQ(AllocationsIn(30), 0u);
    EXPECT_EQ(Task(), TaskCode::TASK_DISP_MESSAGE) << "text speed 1 reveals a line in 85 ticks";
}

TEST_F(SteadyStateAllocTest, AWaitingChoiceAllocatesNothing) {
    Play("    select \"はい/いいえ/わからない\"\n", 3);
    TickUntil(TaskCode::TASK_WAIT_SELECT);
    MovePointer(Point{400, 490}); // the second line lights up
    Ticks(5);
    EXPECT_EQ(AllocationsIn(100), 0u);
}

TEST_F(SteadyStateAllocTest, TheTitleMenuAndAFadeAllocateNothingPerTick) {
    Play("    system title\n    bg 100\n    effect 1, 1000\n    effect 1, 1000\n", 3);
    TickUntil(TaskCode::TASK_WAIT_TITLE_MENU);
    MovePointer(Point{700, 390});
    Ticks(5);
    EXPECT_EQ(AllocationsIn(100), 0u);

    Click(Point{700, 390}); // a new game: the script goes on with its fades
    TickUntil(TaskCode::TASK_EFFECT_01);
    // The first fade's first step sizes the surface that keeps the old screen; from then on a
    // fade's steps allocate nothing.
    Ticks(5);
    EXPECT_EQ(AllocationsIn(50), 0u);
    EXPECT_EQ(Task(), TaskCode::TASK_EFFECT_01);
}

} // namespace
} // namespace hk::test
