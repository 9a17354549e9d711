#pragma once
// IUDPSocketHandler: what a ZUDPSocket tells its registered handlers. Both operations run on the
// socket's receive thread, one datagram or error at a time, with the socket's handler list
// locked; their results are not used.
//
//   class Engine : public IUDPSocketHandler {
//       int OnUDPData(const char* data, int length, const char* from, uint16_t port,
//                     ZUDPSocket* socket) override { ...; return 0; }
//       int OnUDPError(int code, ZUDPSocket* socket) override { return 0; }
//   };
//   socket.AddHandler(&engine);
//
// Ownership: the socket never owns its handlers. The data and the address text live only during
// the call. fromPort is the source port exactly as the socket address holds it, in network byte
// order.

#include <cstdint>

#include "foundation/double_list.h"

class ZUDPSocket;

class IUDPSocketHandler {
public:
    virtual int OnUDPData(const char* data, int length, const char* fromAddress, uint16_t fromPort,
                          ZUDPSocket* socket) = 0;
    virtual int OnUDPError(int code, ZUDPSocket* socket) = 0;

    // After the operations, so their order stays as listed.
    virtual ~IUDPSocketHandler() = default;
};

// The registered handlers of a socket, in registration order (not owned).
using LUDPSocketHandlerList = ZIDoubleList<IUDPSocketHandler>;
