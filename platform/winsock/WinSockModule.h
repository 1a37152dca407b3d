#pragma once
// Registers the WinSock stand-in with the module loader as "wsock32.dll" (WinSock 1.1's entries) and
// "ws2_32.dll" (the same and WSAIoctl). Done when the layer is loaded; calling it again restores the real
// tables after a test replaced one with a fake.

namespace win {

void RegisterWinSockModules();

}  // namespace win
