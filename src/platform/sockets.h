// TCP sockets: one thin layer over Winsock (win32) or BSD sockets (posix).
// Every call is one system call; nothing loops. IPv4 addresses are in network
// byte order as the GG packets carry them; ports are in host order.
#pragma once

#include <cstdint>
#include <string>

namespace kvel::platform {

// A socket handle as the platform gives it (SOCKET or file descriptor).
using Socket = intptr_t;
inline constexpr Socket kInvalidSocket = -1;

// Starts the socket library (version 2.2 on win32); `description` receives
// the library's own description text. False when it cannot start.
bool StartSocketLibrary(std::string* description);
void StopSocketLibrary();

// inet_addr of a dotted address text; all bits set for a text that is none.
uint32_t InetAddr(const char* text);

Socket CreateTcpSocket();  // kInvalidSocket on failure
bool BindSocket(Socket s, uint32_t address, uint16_t port);
bool ListenSocket(Socket s, int backlog);
Socket AcceptSocket(Socket s);  // kInvalidSocket when none is waiting or on error
bool ConnectSocket(Socket s, uint32_t address, uint16_t port);
// Begins connecting a non-blocking socket: true when the connection stands
// or is under way, false when it failed at once.
bool BeginConnect(Socket s, uint32_t address, uint16_t port);
// Waits at most `milliseconds` for a connection that BeginConnect began: 1
// once it stands, 0 while it is still under way, negative when it failed
// (LastSocketError then says why).
int WaitConnected(Socket s, uint32_t milliseconds);
// The platform's code for a connection that ran out of time.
int TimedOutCode();
// The address (network byte order) of the peer a socket is connected to; 0
// when unknown.
uint32_t RemoteAddress(Socket s);
bool SetNonBlocking(Socket s, bool on);
void SetKeepAlive(Socket s);            // SO_KEEPALIVE with a one-byte 1
void SetLinger(Socket s, int seconds);  // SO_LINGER on with `seconds`
// The longest a blocking receive (SO_RCVTIMEO) or send (SO_SNDTIMEO) waits
// before it fails; 0 waits without limit. After a time-out the socket is
// good only for closing.
enum class Timeout { Receive, Send };
bool SetTimeout(Socket s, Timeout which, uint32_t milliseconds);
// One receive / send with no flags: count moved, 0 when closed, < 0 on error.
int ReceiveSome(Socket s, void* buffer, int count);
int SendSome(Socket s, const void* data, int count);
void ShutdownReceive(Socket s);
// Shuts the sending direction down: the peer reads the end of the stream
// once it has the data already sent. Receiving goes on.
void ShutdownSend(Socket s);
// Waits at most `milliseconds` until a receive would not block (data, the
// peer's end or an error is pending): 1 when it would not, 0 when the time
// ran out, negative on error.
int WaitReadable(Socket s, uint32_t milliseconds);
// Whether the peer has closed the connection, or it failed, with nothing
// left to read before that end; looks without waiting or taking a byte.
bool PeerClosed(Socket s);
// Shuts both directions down: the next receive or send on it fails (a
// blocked receive returns), while the handle stays open for its owner.
void ShutdownBoth(Socket s);
void CloseSocket(Socket s);
// The local port a socket is bound to (0 when unknown); for tests.
uint16_t LocalPort(Socket s);
// The platform's code for why the last socket call of this thread failed.
int LastSocketError();
// Whether this machine has a route to `address` (network byte order): a UDP
// socket is connected to it, which looks the route up and sends nothing.
bool HasRouteTo(uint32_t address, uint16_t port);

}  // namespace kvel::platform
