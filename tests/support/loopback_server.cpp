#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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
  std::string received;
  std::size_t head_end = std::string::npos;
  std::size_t wanted = 0;
  char buffer[65536];
  // Reads until the head and its announced body are in, the client stops
  // sending, or the server is stopped.
  for (int idle_polls = 0; idle_polls < 200 && !stopping_;) {
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
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(received);
  }
  if (received.empty() || head_end == std::string::npos) return;
  RawReply reply = handler_(received);
  write_all(fd, reply.bytes);
  if (reply.hold.count() > 0) hold(reply.hold);
}

RefusingPort::RefusingPort() { fd_ = bind_loopback(&port_); }

RefusingPort::~RefusingPort() { ::close(fd_); }

}  // namespace netdisk::test_support
