#include "signalpipe.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int pipeEnds[2] = {-1, -1};
}

SignalPipe::SignalPipe(std::initializer_list<int> signalNumbers, QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        qFatal("vexelsim: no socket pair for signals");
    notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SignalPipe::readCaught);
    struct sigaction action
    {
    };
    action.sa_handler = &SignalPipe::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : signalNumbers)
        ::sigaction(number, &action, nullptr);
}

SignalPipe::~SignalPipe()
{
    delete notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void SignalPipe::handle(int signalNumber)
{
    const char number = char(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[0], &number, 1);
}

void SignalPipe::readCaught()
{
    char number = 0;
    if (::read(pipeEnds[1], &number, 1) == 1)
        emit caught(number);
}
