/* Benchmark helper (Linux, not part of the build): a minimal loopback HTTP server that
 * answers GET /files/NAME with the file NAME of ROOT (Content-Length, sendfile) and 404
 * otherwise, one connection at a time, so that curl and the client under test are measured
 * against a server that is not itself the bottleneck. SIGPIPE is ignored: a client may drop
 * mid-body.
 *   bench_server ROOT PORT_FILE   listens on 127.0.0.1, an ephemeral port written to
 *                                 PORT_FILE once it accepts; exits after 15 minutes at most */
#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <netinet/in.h>
#include <stdio.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

static void answer(int client, const char* root) {
  char request[4096];
  size_t used = 0;
  while (used < sizeof(request) - 1) { /* up to the end of the headers */
    ssize_t n = recv(client, request + used, sizeof(request) - 1 - used, 0);
    if (n <= 0) return;
    used += (size_t)n;
    request[used] = '\0';
    if (strstr(request, "\r\n\r\n")) break;
  }
  char name[256] = "";
  int fd = -1;
  struct stat st;
  if (sscanf(request, "GET /files/%255[^ ?/] ", name) == 1) {
    char path[4096];
    snprintf(path, sizeof(path), "%s/%s", root, name);
    fd = open(path, O_RDONLY);
  }
  char header[256];
  if (fd < 0 || fstat(fd, &st) != 0) {
    const char* missing =
        "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    send(client, missing, strlen(missing), MSG_NOSIGNAL);
  } else {
    int len = snprintf(header, sizeof(header),
                       "HTTP/1.1 200 OK\r\nContent-Length: %lld\r\nConnection: close\r\n\r\n",
                       (long long)st.st_size);
    send(client, header, (size_t)len, MSG_NOSIGNAL);
    off_t offset = 0;
    while (offset < st.st_size)
      if (sendfile(client, fd, &offset, (size_t)(st.st_size - offset)) <= 0) break;
  }
  if (fd >= 0) close(fd);
  shutdown(client, SHUT_WR);
  while (recv(client, request, sizeof(request), 0) > 0) {
  }
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  /* A client that drops mid-body must not end the server: the write just fails. */
  signal(SIGPIPE, SIG_IGN);
  alarm(900);
  int server = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in address;
  memset(&address, 0, sizeof(address));
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof(address);
  if (server < 0 || bind(server, (struct sockaddr*)&address, sizeof(address)) != 0 ||
      listen(server, 16) != 0 || getsockname(server, (struct sockaddr*)&address, &size) != 0)
    return 1;
  char temp[4096];
  snprintf(temp, sizeof(temp), "%s.tmp", argv[2]);
  FILE* port = fopen(temp, "w");
  if (!port) return 1;
  fprintf(port, "%d\n", ntohs(address.sin_port));
  fclose(port);
  rename(temp, argv[2]); /* appears whole, once the socket listens */
  for (;;) {
    int client = accept(server, NULL, NULL);
    if (client < 0) continue;
    answer(client, argv[1]);
    close(client);
  }
}
