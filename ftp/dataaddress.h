#pragma once

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// Extended passive and active mode, and IPv6.

// The port of an EPSV reply text: "(|||6446|)" with any delimiter from "!" to "~" used
// four times. False, touching nothing, when the text holds no such group or the port is
// not 1 to 65535.
bool parseExtendedPassiveReply(std::string_view text, int& port);

// "EPRT |1|127.0.0.1|6446|" or "EPRT |2|::1|6446|" for a listening socket's address; an
// IPv4 address mapped into IPv6 goes as IPv4. Empty for other families.
std::string extendedPortCommand(const sockaddr_storage& listening);

// The connection's peer with the port an EPSV reply gave: where the data goes.
sockaddr_storage extendedPassiveTarget(const sockaddr_storage& controlPeer, int port);

// How a data connection is opened. IPv6 knows only EPSV and EPRT; over IPv4, EPSV when
// the server offers it and has not refused it yet, else PASV; active mode over IPv4 stays
// with PORT.
enum class DataAddressCommand { Pasv, Epsv, Port, Eprt };
DataAddressCommand chooseDataCommand(int controlFamily, bool passive, bool offersEpsv,
                                     bool epsvRefused);

// The host field of a profile: a name, an IPv4 address or an IPv6 address, the latter
// with or without brackets, optionally followed by ":port" (with brackets for IPv6:
// "[::1]:2121"). port is 0 when the field names none. False, touching nothing, for an
// empty host, an unclosed bracket or a port that is not 1 to 65535.
bool parseHostField(std::string_view field, std::string& host, int& port);

// The addresses to try, in the order the resolver gave them: only IPv4 and IPv6, each
// once.
std::vector<sockaddr_storage> connectionOrder(const std::vector<sockaddr_storage>& resolved);

// The resolver's list as addresses, in its order.
std::vector<sockaddr_storage> addressesOf(const addrinfo* list);

// The length to hand connect() for an address of that family; 0 for others.
socklen_t addressLength(const sockaddr_storage& address);

}  // namespace ftp
