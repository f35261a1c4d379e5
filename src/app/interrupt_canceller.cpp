#include "app/interrupt_canceller.h"

#include "odbc/odbc_call_in_flight.h"

#include <cerrno>
#include <semaphore.h>

namespace kx {
namespace {

sem_t interruptSemaphore;
std::atomic<bool> semaphoreReady{false};

void InitSemaphore() {
    static const bool initialised = [] {
        sem_init(&interruptSemaphore, 0, 0);
        semaphoreReady = true;
        return true;
    }();
    (void)initialised;
}

} // namespace

TKxInterruptCanceller::TKxInterruptCanceller() {
    InitSemaphore();
    // An interrupt left over from an earlier run is not this run's.
    while (sem_trywait(&interruptSemaphore) == 0) {
    }
    m_thread = std::thread([this] { Work(); });
}

TKxInterruptCanceller::~TKxInterruptCanceller() {
    m_end = true;
    sem_post(&interruptSemaphore);
    m_thread.join();
}

void TKxInterruptCanceller::Interrupt() {
    if (semaphoreReady)
        sem_post(&interruptSemaphore);
}

void TKxInterruptCanceller::Work() {
    for (;;) {
        while (sem_wait(&interruptSemaphore) != 0 && errno == EINTR) {
        }
        if (m_end)
            return;
        KxCancelStatementInFlight();
    }
}

} // namespace kx
