#pragma once
// Bounded reads and writes on a non-blocking descriptor, shared by the serial port and the
// pseudo-terminal helper. Internal to the platform layer.
#include <cstddef>
#include <cstdint>

namespace Platform::detail {

// >0: bytes read; 0: nothing arrived within timeoutMs; -1: error or hang-up, err set
// (EIO for a hang-up, also when the descriptor reports end of file).
int FdRead(int fd, void* buf, std::size_t n, std::uint32_t timeoutMs, int& err);
// Writes all n bytes unless timeoutMs runs out. Returns n, or the count written so far with
// err = ETIMEDOUT, or -1 on an error (err set).
int FdWrite(int fd, const void* data, std::size_t n, std::uint32_t timeoutMs, int& err);
// Waits for events (POLLIN, POLLOUT) up to timeoutMs. 1: ready (or hung up: revents says which),
// 0: time-out, -1: poll failed (err set).
int FdPoll(int fd, short events, std::uint32_t timeoutMs, short& revents, int& err);

}  // namespace Platform::detail
