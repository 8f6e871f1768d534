// Serves a directory with the tests' private vsftpd on 127.0.0.1 for the
// transfer benchmark script: the daemon is the one the tests unpack, its
// account the fixture's virtual user, so the machine's accounts stay as they
// are. Prints the port on one line, then serves until its standard input
// closes, and stops the daemon on the way out.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/ftp_real_server.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: serve_vsftpd DIR\n");
    return 2;
  }
  zakaz::testing::FtpRealServer server(zakaz::testing::FtpRealServer::kVsftpd, argv[1]);
  std::string why;
  if (!server.Start(&why)) {
    std::fprintf(stderr, "vsftpd cannot run here: %s\n", why.c_str());
    return 1;
  }
  server.OpenUpRoot();
  std::printf("%d\n", server.Port());
  std::fflush(stdout);
  char byte;
  while (::read(STDIN_FILENO, &byte, 1) > 0) {
  }
  return 0;
}
