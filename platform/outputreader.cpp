#include "outputreader.h"

#include "application.h"
#include "process.h"

#include <vector>

namespace qv {

bool OutputReader::start(Descriptor pipe, std::shared_ptr<const Process> program,
                         qint64 chunkSize, int endWaitMs, ChunkHandler onChunk,
                         std::function<void()> onEnd)
{
    auto *reader = new OutputReader(std::move(pipe), std::move(program), chunkSize, endWaitMs,
                                    std::move(onChunk));
    reader->setOnTerminate(std::move(onEnd));
    reader->QThread::start();
    // A thread that could not be created is neither running nor finished.
    if (reader->isRunning() || reader->isFinished())
        return true;
    delete reader;
    return false;
}

OutputReader::OutputReader(Descriptor pipe, std::shared_ptr<const Process> program,
                           qint64 chunkSize, int endWaitMs, ChunkHandler onChunk)
    : m_pipe(std::move(pipe))
    , m_program(std::move(program))
    , m_chunkSize(chunkSize)
    , m_endWaitMs(endWaitMs)
    , m_onChunk(std::move(onChunk))
{
    setFreeOnTerminate(true);
}

OutputReader::~OutputReader() = default;

void OutputReader::execute()
{
    std::vector<char> buffer(static_cast<size_t>(m_chunkSize));
    for (;;) {
        const qint64 count
            = readProgramPipe(m_pipe.fd(), buffer.data(), m_chunkSize, *m_program);
        if (count <= 0)
            break;
        const QByteArray chunk(buffer.data(), count);
        synchronize([this, &chunk] {
            guarded([this, &chunk] { m_onChunk(chunk); });
        });
    }
    m_pipe.close();
    m_program->waitForEnd(m_endWaitMs);
    // The handle goes now, not whenever the reader object is deleted later.
    m_program.reset();
}

} // namespace qv
