#pragma once

namespace mp3 {

// Puts the calling thread behind the program's window and sound threads: the
// batch class, so that its wake-ups never cut into their turns, and nice 10
// (or its own, when higher).
// On a busy machine the processors are shared out by session first, and a
// session's share among the processors follows the weight of its threads that
// want to run on each: a thread that keeps a processor busy at full weight (a
// walk over a long file, a clip's copy) draws nearly all of it to its own
// processor, and the window thread, waking on the other, waits there for
// hundreds of milliseconds. Alone in its session, it still gets all of it.
void standBackForInteractiveThreads();

} // namespace mp3
