#pragma once
// The socket unit: the run-time WinSock binding, TCustomWSocket and its SOCKS, line and sync layers, and
// TWSocket, the component that publishes them all.

#include "net/CustomWSocket.h"
#include "net/LineWSocket.h"
#include "net/SocksWSocket.h"
#include "net/WinsockBinding.h"

class TWSocket : public TCustomSyncWSocket {
public:
    ~TWSocket() override;
};
