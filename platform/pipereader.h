#pragma once

#include "descriptors.h"

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

namespace qv {

// Reads a pipe on the user-interface thread without ever blocking it: what has arrived is
// handed on as soon as the event loop sees it. For a program's answers, which are small and
// few; a stream of output is better read on a thread of its own. Owns the descriptor and
// closes it at the pipe's end.
class PipeReader : public QObject
{
    Q_OBJECT

public:
    explicit PipeReader(Descriptor pipe, QObject *parent = nullptr);
    ~PipeReader() override;

    bool isOpen() const { return m_pipe.isOpen(); }

signals:
    void received(const QByteArray &bytes);
    // Every write end has been closed (or reading failed); sent once.
    void ended();

private:
    void readAvailable();
    void close();

    Descriptor m_pipe;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace qv
