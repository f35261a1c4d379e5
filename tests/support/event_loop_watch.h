#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace kx::test {

// Watches whether the event loop keeps running: a timer ticks every 10 ms on it (served by the
// same loop that paints) and records the longest gap between two ticks. `onTick` runs at each
// tick with the milliseconds since Start.
class EventLoopWatch {
public:
    explicit EventLoopWatch(std::function<void(qint64 now)> onTick = {})
        : m_onTick(std::move(onTick)) {
        m_ticker.setInterval(10);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            if (m_lastTick >= 0)
                m_longestGap = std::max(m_longestGap, now - m_lastTick);
            m_lastTick = now;
            if (m_onTick)
                m_onTick(now);
        });
    }
    void Start() {
        m_clock.start();
        m_ticker.start();
    }
    // Stops ticking; answers the milliseconds since Start.
    qint64 Stop() {
        m_ticker.stop();
        return m_clock.elapsed();
    }
    qint64 LongestGap() const { return m_longestGap; }
    qint64 LastTick() const { return m_lastTick; }

private:
    std::function<void(qint64)> m_onTick;
    QElapsedTimer m_clock;
    QTimer m_ticker;
    qint64 m_lastTick = -1;
    qint64 m_longestGap = 0;
};

} // namespace kx::test
