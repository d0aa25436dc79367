#include "interrupts.h"

#include <pthread.h>

#include <csignal>

namespace orvelle::cli {
namespace {

JobCancel g_cancel;
volatile std::sig_atomic_t g_signal = 0;

void onInterrupt(int signal) {
    if (g_signal == 0) g_signal = signal;
    g_cancel.request();
}

}  // namespace

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = &onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // Started with them blocked (a launcher's mask is inherited), the run could not be
    // stopped at all; one already pending then stops it at once.
    sigset_t handled;
    sigemptyset(&handled);
    sigaddset(&handled, SIGINT);
    sigaddset(&handled, SIGTERM);
    pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
}

const JobCancel& jobCancel() { return g_cancel; }

int interruptedExitStatus() { return g_signal == 0 ? 0 : 128 + g_signal; }

}  // namespace orvelle::cli
