#include "device_server.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace {

// The PortManager behind a TCP listener, served one client at a time; the
// device is opened raw and the client's RFC 2217 settings set it.
constexpr char kPySerialServer[] = R"(import socket, sys, threading
import serial, serial.rfc2217
device, port = sys.argv[1], int(sys.argv[2])
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(('127.0.0.1', port))
listener.listen(1)
class Connection:
    def __init__(self, client):
        self.client = client
        self.lock = threading.Lock()
    def write(self, data):
        with self.lock:
            self.client.sendall(data)
# A pseudo-terminal has no modem lines, which the manager reads when a client
# comes: they read as off here.
class Line:
    cts = dsr = ri = cd = False
    def __init__(self, port):
        object.__setattr__(self, 'port', port)
    def __getattr__(self, name):
        return getattr(self.port, name)
    def __setattr__(self, name, value):
        setattr(self.port, name, value)
while True:
    client, _ = listener.accept()
    client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    line = Line(serial.serial_for_url(device, baudrate=300, timeout=0.05))
    connection = Connection(client)
    manager = serial.rfc2217.PortManager(line, connection)
    alive = [True]
    def reader():
        while alive[0]:
            try:
                data = line.read(line.in_waiting or 1)
                if data:
                    connection.write(b''.join(manager.escape(data)))
            except (OSError, serial.SerialException):
                break
    thread = threading.Thread(target=reader, daemon=True)
    thread.start()
    while True:
        try:
            received = client.recv(1024)
        except OSError:
            break
        if not received:
            break
        line.write(b''.join(manager.filter(received)))
    alive[0] = False
    thread.join()
    line.close()
    client.close()
)";

void Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// quiet: standard error goes nowhere (ser2net says "Unable to start mdns"
// in a container, and goes on).
pid_t Spawn(const std::vector<std::string>& words, bool quiet) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  if (quiet && freopen("/dev/null", "w", stderr) == nullptr) _exit(127);
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

}  // namespace

int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

bool Listening(int port) {
  std::ifstream tcp("/proc/net/tcp");
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
  std::string line;
  while (std::getline(tcp, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (local == wanted && state == "0A") return true;
  }
  return false;
}

DeviceServer::DeviceServer(Kind kind, const std::string& device) {
  char dir[] = "/tmp/korvel-server-XXXXXX";
  if (mkdtemp(dir) == nullptr) return;
  dir_ = dir;
  rfc2217Port_ = FreeLoopbackPort();
  if (kind == Kind::kSer2net) {
    tcpPort_ = FreeLoopbackPort();
    while (tcpPort_ == rfc2217Port_) tcpPort_ = FreeLoopbackPort();
    std::ostringstream config;
    config << "connection: &rfc2217\n    accepter: telnet(rfc2217),tcp,127.0.0.1," << rfc2217Port_
           << "\n    connector: serialdev," << device << ",300n81,local\n"
           << "connection: &raw\n    accepter: tcp,127.0.0.1," << tcpPort_ << "\n    connector: serialdev," << device
           << ",300n81,local\n";
    Write(dir_ + "/ser2net.yaml", config.str());
    pid_ = Spawn({"ser2net", "-n", "-c", dir_ + "/ser2net.yaml", "-P", dir_ + "/ser2net.pid"}, true);
  } else {
    Write(dir_ + "/server.py", kPySerialServer);
    pid_ = Spawn({"/usr/bin/python3", dir_ + "/server.py", device, std::to_string(rfc2217Port_)}, false);
  }
  const auto deadline = std::chrono::steady_clock::now() + kServerStartDeadline;
  while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
    if (Listening(rfc2217Port_) && (tcpPort_ == 0 || Listening(tcpPort_))) {
      ready_ = true;
      return;
    }
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

DeviceServer::~DeviceServer() {
  stop();
  if (dir_.empty()) return;
  for (const char* name : {"/ser2net.yaml", "/ser2net.pid", "/server.py"}) unlink((dir_ + name).c_str());
  rmdir(dir_.c_str());
}

std::string DeviceServer::rfc2217() const { return "rfc2217://127.0.0.1:" + std::to_string(rfc2217Port_); }

std::string DeviceServer::tcp() const { return "tcp://127.0.0.1:" + std::to_string(tcpPort_); }

void DeviceServer::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}
