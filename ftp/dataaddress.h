#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace ftp {

// Address choices for data connections, kept free of sockets so they can be checked
// without connecting anywhere.

// Reads the six numbers of a PASV reply text (the reply engine has removed the code):
// the first digit starts "h1,h2,h3,h4,p1,p2". Every number must be a byte. Returns
// false, touching nothing, when the text holds no such group.
bool parsePassiveReply(std::string_view text, std::string& address, int& port);

// Addresses a server behind NAT announces from its inside: private, loopback,
// link-local and "this network" (0.0.0.0/8). Host byte order.
bool isInsideAddress(std::uint32_t address);

// The address to connect to for a passive transfer. The announced address wins,
// unless it is an inside address while the control connection's peer is not: then the
// server announced its address behind NAT, and the peer is the one that is reachable.
// Both in host byte order.
std::uint32_t choosePassiveTarget(std::uint32_t announced, std::uint32_t controlPeer);

// "PORT h1,h2,h3,h4,p1,p2" for a listening socket's address (network byte order, as
// getsockname gives it).
std::string portCommand(const sockaddr_in& listening);

}  // namespace ftp
