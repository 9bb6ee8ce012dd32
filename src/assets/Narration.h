#pragma once

#include <ostream>

// Where the simulation tells what happens in it ("Block destroyed! +50
// points"): standard output, unless the thread running it asked for quiet.
// A replay played on a worker to learn its score or its paths then says
// nothing, while the frame loop's own lines go on as ever; swapping the
// standard stream's buffer instead would silence both threads.
class Narration {
public:
    // The simulation's output and warnings for the calling thread.
    static std::ostream& out();
    static std::ostream& err();

    // While one lives, the calling thread's narration goes nowhere. Nests.
    class Quiet {
    public:
        Quiet();
        ~Quiet();
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;
    };
};
