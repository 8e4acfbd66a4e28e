#pragma once

#include "descriptors.h"
#include "threads.h"

#include <QByteArray>

#include <functional>
#include <memory>

namespace qv {

class Process;

// Reads what a program writes into one pipe, on a thread of its own, and hands it to the
// user-interface thread a chunk at a time: onChunk runs there with each chunk (at most
// chunkSize bytes, as the pipe delivered them) while the reader waits, so each chunk is dealt
// with before the next is read, and a program that writes faster than the window shows waits
// for it. The pipe has ended when every write end has closed, when a read fails, or when the
// program has ended and the pipe then stayed open without data for a while (a child of the
// program holds it). The reader then closes its descriptor, waits up to endWaitMs (-1: no
// limit) to see the program end, so that onEnd knows how it ended, runs onEnd on the
// user-interface thread and frees itself.
class OutputReader : public Thread
{
public:
    using ChunkHandler = std::function<void(const QByteArray &chunk)>;

    // Starts a reader that owns pipe. False when no thread could be made: neither handler
    // then ever runs, and the pipe is closed.
    static bool start(Descriptor pipe, std::shared_ptr<const Process> program,
                      qint64 chunkSize, int endWaitMs, ChunkHandler onChunk,
                      std::function<void()> onEnd);

    ~OutputReader() override;

protected:
    void execute() override;

private:
    OutputReader(Descriptor pipe, std::shared_ptr<const Process> program, qint64 chunkSize,
                 int endWaitMs, ChunkHandler onChunk);

    Descriptor m_pipe;
    std::shared_ptr<const Process> m_program;
    qint64 m_chunkSize;
    int m_endWaitMs;
    ChunkHandler m_onChunk;
};

} // namespace qv
