// Test servers on 127.0.0.1 with ephemeral ports, each serving on its own
// threads until it is destroyed. Nothing here listens on any other address.
//
//   LoopbackHttpServer: cpp-httplib. Add routes to server(), then start().
//   RawHttpServer: byte-level. Records every request exactly as it arrived and
//     answers with the bytes its handler returns, then closes the connection.
//   StreamingHttpServer: byte-level like RawHttpServer, but its handler writes
//     the reply itself, in pieces and with pauses, for as long as it likes.
//   RefusingPort: a loopback port on which every connection is refused.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace netdisk::test_support {

// "http://127.0.0.1:<port><path>".
std::string loopback_url(int port, std::string_view path);

class LoopbackHttpServer {
 public:
  LoopbackHttpServer();  // bound and listening at once; requests wait until start()
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  httplib::Server& server() { return server_; }
  void start();
  int port() const { return port_; }
  std::string url(std::string_view path) const { return loopback_url(port_, path); }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

struct RawReply {
  std::string bytes;  // written as they stand, then the connection is closed
  // Keeps the connection open, silent, this long after the bytes (or until the
  // server is destroyed) before closing it.
  std::chrono::milliseconds hold{0};
};

class RawHttpServer {
 public:
  // request: the head up to and including the empty line, then as many body
  // bytes as its Content-Length announced. Bytes that do not start like an HTTP
  // request (a TLS handshake, say) are recorded as far as they came in the first
  // read and answered by closing the connection. Runs on any server thread.
  using Handler = std::function<RawReply(const std::string& request)>;

  explicit RawHttpServer(Handler handler);
  ~RawHttpServer();
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  int port() const { return port_; }
  std::string url(std::string_view path) const { return loopback_url(port_, path); }
  std::vector<std::string> requests() const;  // in the order they arrived
  std::string last_request() const;           // empty when none arrived

 private:
  void accept_loop();
  void serve(int fd);
  void hold(std::chrono::milliseconds time);

  Handler handler_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::condition_variable stop_signal_;
  std::vector<std::string> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

// The connection a StreamingHttpServer handler answers on. Every call returns
// false once the client has closed the connection or the server is being
// destroyed, so a handler can write an endless reply in a loop.
class ReplyStream {
 public:
  bool write(std::string_view bytes);
  // Stays silent this long; ends early (false) when the client closes or the
  // server stops.
  bool pause(std::chrono::milliseconds time);
  std::size_t bytes_written() const { return written_; }

 private:
  friend class StreamingHttpServer;
  ReplyStream(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}
  bool client_gone() const;

  int fd_;
  const std::atomic<bool>& stopping_;
  std::size_t written_ = 0;
  bool closed_ = false;
};

class StreamingHttpServer {
 public:
  // request: as for RawHttpServer. The connection is closed when the handler
  // returns. Runs on any server thread.
  using Handler = std::function<void(const std::string& request, ReplyStream& reply)>;

  explicit StreamingHttpServer(Handler handler);
  ~StreamingHttpServer();
  StreamingHttpServer(const StreamingHttpServer&) = delete;
  StreamingHttpServer& operator=(const StreamingHttpServer&) = delete;

  int port() const { return port_; }
  std::string url(std::string_view path) const { return loopback_url(port_, path); }
  std::vector<std::string> requests() const;  // in the order they arrived
  // Reply bytes written on connections whose handler has returned.
  std::size_t bytes_written() const;

 private:
  void accept_loop();
  void serve(int fd);

  Handler handler_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::size_t bytes_written_ = 0;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

class RefusingPort {
 public:
  RefusingPort();  // a bound socket that never listens: connections get a reset
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;

  int port() const { return port_; }
  std::string url(std::string_view path) const { return loopback_url(port_, path); }

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace netdisk::test_support
