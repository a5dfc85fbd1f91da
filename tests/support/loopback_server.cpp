#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace netdisk::test_support {
namespace {

// A socket bound to 127.0.0.1 on a port the system picks.
int bind_loopback(int* port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::close(fd);
    throw std::runtime_error("bind to 127.0.0.1 failed");
  }
  *port = ntohs(address.sin_port);
  return fd;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The Content-Length of a request head, 0 when it has none.
std::size_t content_length(const std::string& head) {
  std::string folded(head);
  for (char& c : folded) c = lower(c);
  std::size_t at = folded.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return static_cast<std::size_t>(std::strtoull(folded.c_str() + at + 17, nullptr, 10));
}

void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
}

// Reads a request: the head up to and including its empty line and as many body
// bytes as its Content-Length announced. Stops early when the client stops
// sending, the bytes do not start like HTTP, or the server is stopping; complete
// tells whether a whole head arrived.
std::string receive_request(int fd, const std::atomic<bool>& stopping, bool* complete) {
  std::string received;
  std::size_t head_end = std::string::npos;
  std::size_t wanted = 0;
  char buffer[65536];
  for (int idle_polls = 0; idle_polls < 200 && !stopping;) {
    pollfd waiting{fd, POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) {
      ++idle_polls;
      continue;
    }
    ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    received.append(buffer, static_cast<std::size_t>(got));
    if (received.front() < 'A' || received.front() > 'Z') break;  // not HTTP
    if (head_end == std::string::npos) {
      head_end = received.find("\r\n\r\n");
      if (head_end != std::string::npos) {
        head_end += 4;
        wanted = head_end + content_length(received.substr(0, head_end));
      }
    }
    if (head_end != std::string::npos && received.size() >= wanted) break;
  }
  *complete = !received.empty() && head_end != std::string::npos;
  return received;
}

}  // namespace

std::string loopback_url(int port, std::string_view path) {
  return "http://127.0.0.1:" + std::to_string(port) + std::string(path);
}

LoopbackHttpServer::LoopbackHttpServer() {
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cpp-httplib could not bind to 127.0.0.1");
}

LoopbackHttpServer::~LoopbackHttpServer() {
  if (thread_.joinable()) {
    server_.stop();
    thread_.join();
  }
}

void LoopbackHttpServer::start() {
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // stop() only takes effect once the loop runs; the socket already queues
  // connections, so this wait never delays a request.
  while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

RawHttpServer::RawHttpServer(Handler handler) : handler_(std::move(handler)) {
  listen_fd_ = bind_loopback(&port_);
  if (::listen(listen_fd_, 64) != 0) {
    ::close(listen_fd_);
    throw std::runtime_error("listen failed");
  }
  acceptor_ = std::thread([this] { accept_loop(); });
}

RawHttpServer::~RawHttpServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_signal_.notify_all();
  acceptor_.join();
  ::close(listen_fd_);
  std::vector<std::thread> connections;
  {
    std::lock_guard lock(mutex_);
    connections.swap(connections_);
  }
  for (std::thread& t : connections) t.join();
}

std::vector<std::string> RawHttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::string RawHttpServer::last_request() const {
  std::lock_guard lock(mutex_);
  return requests_.empty() ? std::string() : requests_.back();
}

void RawHttpServer::accept_loop() {
  while (!stopping_) {
    pollfd waiting{listen_fd_, POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) continue;
    int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    connections_.emplace_back([this, fd] {
      serve(fd);
      ::close(fd);
    });
  }
}

void RawHttpServer::hold(std::chrono::milliseconds time) {
  std::unique_lock lock(mutex_);
  stop_signal_.wait_for(lock, time, [this] { return stopping_.load(); });
}

void RawHttpServer::serve(int fd) {
  bool complete = false;
  std::string received = receive_request(fd, stopping_, &complete);
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(received);
  }
  if (!complete) return;
  RawReply reply = handler_(received);
  write_all(fd, reply.bytes);
  if (reply.hold.count() > 0) hold(reply.hold);
}

bool ReplyStream::client_gone() const {
  pollfd state{fd_, POLLRDHUP, 0};
  return ::poll(&state, 1, 0) > 0 && (state.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

bool ReplyStream::write(std::string_view bytes) {
  while (!closed_ && !bytes.empty()) {
    if (stopping_) return false;
    ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      written_ += static_cast<std::size_t>(sent);
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      // The client is not reading: wait for room, a little at a time so that a
      // server being destroyed is noticed.
      pollfd room{fd_, POLLOUT, 0};
      ::poll(&room, 1, 50);
    } else {
      closed_ = true;
    }
  }
  return !closed_ && !stopping_;
}

bool ReplyStream::pause(std::chrono::milliseconds time) {
  const auto until = std::chrono::steady_clock::now() + time;
  while (!closed_ && !stopping_) {
    if (client_gone()) {
      closed_ = true;
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return true;
    std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(10)));
  }
  return false;
}

StreamingHttpServer::StreamingHttpServer(Handler handler) : handler_(std::move(handler)) {
  listen_fd_ = bind_loopback(&port_);
  if (::listen(listen_fd_, 64) != 0) {
    ::close(listen_fd_);
    throw std::runtime_error("listen failed");
  }
  acceptor_ = std::thread([this] { accept_loop(); });
}

StreamingHttpServer::~StreamingHttpServer() {
  stopping_ = true;
  acceptor_.join();
  ::close(listen_fd_);
  std::vector<std::thread> connections;
  {
    std::lock_guard lock(mutex_);
    connections.swap(connections_);
  }
  for (std::thread& t : connections) t.join();
}

std::vector<std::string> StreamingHttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t StreamingHttpServer::bytes_written() const {
  std::lock_guard lock(mutex_);
  return bytes_written_;
}

void StreamingHttpServer::accept_loop() {
  while (!stopping_) {
    pollfd waiting{listen_fd_, POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) continue;
    int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    connections_.emplace_back([this, fd] {
      serve(fd);
      ::close(fd);
    });
  }
}

void StreamingHttpServer::serve(int fd) {
  // Small pieces go out as they are written, not gathered by Nagle's algorithm.
  int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  bool complete = false;
  std::string received = receive_request(fd, stopping_, &complete);
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(received);
  }
  if (!complete) return;
  ReplyStream reply(fd, stopping_);
  handler_(received, reply);
  std::lock_guard lock(mutex_);
  bytes_written_ += reply.bytes_written();
}

RefusingPort::RefusingPort() { fd_ = bind_loopback(&port_); }

RefusingPort::~RefusingPort() { ::close(fd_); }

}  // namespace netdisk::test_support
