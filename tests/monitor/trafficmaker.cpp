// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Makes a known amount of loopback traffic for the monitor's tests: prints its pid, then for
// every line on stdin (the first gives the test time to move it into a cgroup) exchanges the
// bytes between two sockets of its own and prints "done", until stdin closes. The sockets are
// made at the first exchange and kept. With --fork, the first line makes the sockets, forks,
// prints the child's pid and ends; the child, once its parent has gone, exchanges the bytes
// once, holds the sockets a few seconds and ends.
// Usage: traffic-maker tcp4|tcp6|udp4|udp6 BYTES_ONE_WAY BYTES_OTHER_WAY [--uid UID|--fork]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr size_t datagramSize = 1000;
// TCP goes in pieces that fit the smallest receive window, so a send never waits for the
// read that follows it.
constexpr size_t streamPiece = 65536;
constexpr unsigned forkedHoldSeconds = 4;

[[noreturn]] void fail(const char *what)
{
    std::perror(what);
    std::exit(2);
}

socklen_t loopbackAddress(int family, sockaddr_storage &address)
{
    std::memset(&address, 0, sizeof address);
    if (family == AF_INET) {
        auto *v4 = reinterpret_cast<sockaddr_in *>(&address);
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return sizeof *v4;
    }
    auto *v6 = reinterpret_cast<sockaddr_in6 *>(&address);
    v6->sin6_family = AF_INET6;
    v6->sin6_addr = in6addr_loopback;
    return sizeof *v6;
}

// A socket bound to a free loopback port; `address` receives where it listens.
int boundSocket(int family, int type, sockaddr_storage &address, socklen_t &length)
{
    const int fd = socket(family, type, 0);
    if (fd < 0)
        fail("socket");
    length = loopbackAddress(family, address);
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0)
        fail("bind");
    if (getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        fail("getsockname");
    return fd;
}

// Sends `bytes` on `from`, then reads them all on `to`, `chunk` bytes at a time.
void transfer(int from, int to, size_t bytes, size_t chunk)
{
    static std::vector<char> buffer(65536, 'x');
    for (size_t done = 0; done < bytes; done += chunk) {
        const size_t part = std::min(chunk, bytes - done);
        for (size_t left = part; left > 0;) {
            const ssize_t sent = send(from, buffer.data(), std::min(left, buffer.size()), 0);
            if (sent <= 0)
                fail("send");
            left -= size_t(sent);
        }
        for (size_t left = part; left > 0;) {
            const ssize_t got = recv(to, buffer.data(), std::min(left, buffer.size()), 0);
            if (got <= 0)
                fail("recv");
            left -= size_t(got);
        }
    }
}

struct SocketPair
{
    int first = -1;
    int second = -1;
};

// The listener's end comes from accept(), so its bytes test the owner handed to accepted sockets.
SocketPair tcpPair(int family)
{
    sockaddr_storage address;
    socklen_t length;
    const int listener = boundSocket(family, SOCK_STREAM, address, length);
    if (listen(listener, 1) != 0)
        fail("listen");
    const int client = socket(family, SOCK_STREAM, 0);
    if (connect(client, reinterpret_cast<sockaddr *>(&address), length) != 0)
        fail("connect");
    const int server = accept(listener, nullptr, nullptr);
    if (server < 0)
        fail("accept");
    close(listener);
    return {client, server};
}

SocketPair udpPair(int family)
{
    sockaddr_storage first, second;
    socklen_t firstLength, secondLength;
    const int a = boundSocket(family, SOCK_DGRAM, first, firstLength);
    const int b = boundSocket(family, SOCK_DGRAM, second, secondLength);
    if (connect(a, reinterpret_cast<sockaddr *>(&second), secondLength) != 0 ||
        connect(b, reinterpret_cast<sockaddr *>(&first), firstLength) != 0)
        fail("connect");
    return {a, b};
}

} // namespace

int main(int argc, char *argv[])
{
    const bool forking = argc == 5 && std::strcmp(argv[4], "--fork") == 0;
    if (argc != 4 && !forking && !(argc == 6 && std::strcmp(argv[4], "--uid") == 0)) {
        std::cerr << "usage: traffic-maker tcp4|tcp6|udp4|udp6 BYTES BYTES [--uid UID|--fork]\n";
        return 2;
    }
    const std::string mode = argv[1];
    const size_t oneWay = std::strtoul(argv[2], nullptr, 10);
    const size_t otherWay = std::strtoul(argv[3], nullptr, 10);
    if (argc == 6 && setuid(uid_t(std::strtoul(argv[5], nullptr, 10))) != 0)
        fail("setuid");

    std::cout << getpid() << std::endl;
    const int family = mode.back() == '6' ? AF_INET6 : AF_INET;
    const bool tcp = mode.rfind("tcp", 0) == 0;
    SocketPair pair;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (pair.first < 0)
            pair = tcp ? tcpPair(family) : udpPair(family);
        // UDP goes one datagram at a time, each read before the next is sent, so none is
        // dropped.
        const size_t chunk = tcp ? streamPiece : datagramSize;
        if (forking) {
            const pid_t parent = getpid();
            const pid_t child = fork();
            if (child != 0) {
                std::cout << child << std::endl;
                return child > 0 ? 0 : 2;
            }
            while (getppid() == parent)
                usleep(1000);
        }
        transfer(pair.first, pair.second, oneWay, chunk);
        transfer(pair.second, pair.first, otherWay, chunk);
        if (forking) {
            sleep(forkedHoldSeconds);
            return 0;
        }
        std::cout << "done" << std::endl;
    }
    return 0;
}
