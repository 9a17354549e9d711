// The Winsock number of a C library error number, on every system: the POSIX socket face reports
// errno values through it, and the C library's own calls on Windows set errno too.

#include <cerrno>

#include "platform/network/socket.h"

namespace zplat {

int WsaErrorFromErrno(int e) {
    switch (e) {
        case 0:
            return 0;
        case EINTR:
            return WSAEINTR;
        case EBADF:
        case ENOTSOCK:
            return WSAENOTSOCK;
        case EACCES:
        case EPERM:
            return WSAEACCES;
        case EFAULT:
            return WSAEFAULT;
        case EINVAL:
            return WSAEINVAL;
        case EMFILE:
        case ENFILE:
            return WSAEMFILE;
        case EAGAIN:
            return WSAEWOULDBLOCK;
        case EINPROGRESS:
            return WSAEINPROGRESS;
        case EALREADY:
            return WSAEALREADY;
        case EDESTADDRREQ:
            return WSAEDESTADDRREQ;
        case EMSGSIZE:
            return WSAEMSGSIZE;
        case EPROTOTYPE:
            return WSAEPROTOTYPE;
        case ENOPROTOOPT:
            return WSAENOPROTOOPT;
        case EPROTONOSUPPORT:
            return WSAEPROTONOSUPPORT;
#ifdef ESOCKTNOSUPPORT  // not every C library has it
        case ESOCKTNOSUPPORT:
            return WSAESOCKTNOSUPPORT;
#endif
        case EOPNOTSUPP:
            return WSAEOPNOTSUPP;
#ifdef EPFNOSUPPORT  // not every C library has it
        case EPFNOSUPPORT:
            return WSAEPFNOSUPPORT;
#endif
        case EAFNOSUPPORT:
            return WSAEAFNOSUPPORT;
        case EADDRINUSE:
            return WSAEADDRINUSE;
        case EADDRNOTAVAIL:
            return WSAEADDRNOTAVAIL;
        case ENETDOWN:
            return WSAENETDOWN;
        case ENETUNREACH:
            return WSAENETUNREACH;
        case ENETRESET:
            return WSAENETRESET;
        case ECONNABORTED:
            return WSAECONNABORTED;
        case ECONNRESET:
            return WSAECONNRESET;
        case ENOBUFS:
        case ENOMEM:
            return WSAENOBUFS;
        case EISCONN:
            return WSAEISCONN;
        case ENOTCONN:
            return WSAENOTCONN;
#ifdef ESHUTDOWN
        case ESHUTDOWN:
#endif
        case EPIPE:
            return WSAESHUTDOWN;
        case ETIMEDOUT:
            return WSAETIMEDOUT;
        case ECONNREFUSED:
            return WSAECONNREFUSED;
        case ELOOP:
            return WSAELOOP;
        case ENAMETOOLONG:
            return WSAENAMETOOLONG;
#ifdef EHOSTDOWN  // not every C library has it
        case EHOSTDOWN:
            return WSAEHOSTDOWN;
#endif
        case EHOSTUNREACH:
            return WSAEHOSTUNREACH;
        default:
            return WSASYSCALLFAILURE;
    }
}

}  // namespace zplat
