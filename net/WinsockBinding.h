#pragma once
// The socket unit reaches WinSock only through these wrappers, so nothing links it statically. The first call
// loads "wsock32.dll" (and "ws2_32.dll" for WSAIoctl and WSASend) and starts WinSock, each entry is looked up
// by name when first used, and the last socket object to go unloads it all. Results pass through untouched;
// ESocketException is raised only when loading, start-up or a lookup fails.

#include <mutex>
#include <string>

#include "platform/rtl/SysUtils.h"
#include "platform/win/WinTypes.h"
#include "platform/winsock/WinSock.h"

TARVO_DECLARE_EXCEPTION(ESocketException, Exception);

// The WinSock version requested from WSAStartup: low byte major, high byte minor; 1.1 by default.
win::BYTE GetReqVerLow();
win::BYTE GetReqVerHigh();
void SetReqVerLowValue(win::BYTE value);  // callers check that wsock32.dll is not loaded
void SetReqVerHighValue(win::BYTE value);
bool Wsock32Loaded();
bool Ws2Loaded();

win::FARPROC BindWinsockEntry(const std::string& Name);
win::FARPROC BindWinsock2Entry(const std::string& Name);
void UnloadWinsock();
void IncWinsockUseCount();
void DecWinsockUseCount();
int WinsockUseCount();

// The unit's three locks, re-entrant on one thread as critical sections are.
std::recursive_mutex& WindowClassLock();
std::recursive_mutex& WinsockLock();
std::recursive_mutex& SendBufferLock();

int Winsock_WSAStartup(win::WORD Version, win::WSADATA* Data);
int Winsock_WSACleanup();
void Winsock_WSASetLastError(int Error);
int Winsock_WSAGetLastError();
int Winsock_WSACancelAsyncRequest(win::HANDLE Task);
win::HANDLE Winsock_WSAAsyncGetHostByName(win::HWND Wnd, win::u_int Msg, const char* Name, char* Buf, int BufLen);
win::HANDLE Winsock_WSAAsyncGetHostByAddr(win::HWND Wnd, win::u_int Msg, const char* Addr, int Len, int Type, char* Buf,
                                          int BufLen);
int Winsock_WSAAsyncSelect(win::SOCKET S, win::HWND Wnd, win::u_int Msg, long Events);
win::servent* Winsock_getservbyname(const char* Name, const char* Proto);
win::protoent* Winsock_getprotobyname(const char* Name);
win::hostent* Winsock_gethostbyname(const char* Name);
win::hostent* Winsock_gethostbyaddr(const char* Addr, int Len, int Type);
win::SOCKET Winsock_socket(int Af, int Type, int Protocol);
int Winsock_shutdown(win::SOCKET S, int How);
int Winsock_setsockopt(win::SOCKET S, int Level, int OptName, const char* OptVal, int OptLen);
int Winsock_getsockopt(win::SOCKET S, int Level, int OptName, char* OptVal, int* OptLen);
int Winsock_sendto(win::SOCKET S, const char* Buf, int Len, int Flags, const win::sockaddr* To, int ToLen);
int Winsock_send(win::SOCKET S, const char* Buf, int Len, int Flags);
int Winsock_WSASend(win::SOCKET S, win::WSABUF* Buffers, win::DWORD Count, win::DWORD* BytesSent, win::DWORD Flags,
                    void* Overlapped, void* Completion);
win::u_short Winsock_ntohs(win::u_short Value);
int Winsock_listen(win::SOCKET S, int Backlog);
int Winsock_ioctlsocket(win::SOCKET S, long Cmd, win::u_long* Arg);
int Winsock_WSAIoctl(win::SOCKET S, win::DWORD Code, void* InBuf, win::DWORD InSize, void* OutBuf, win::DWORD OutSize,
                     win::DWORD* BytesReturned, void* Overlapped, void* Completion);
char* Winsock_inet_ntoa(win::in_addr In);
win::u_long Winsock_inet_addr(const char* Text);
win::u_short Winsock_htons(win::u_short Value);
win::u_long Winsock_htonl(win::u_long Value);
int Winsock_getsockname(win::SOCKET S, win::sockaddr* Name, int* NameLen);
int Winsock_getpeername(win::SOCKET S, win::sockaddr* Name, int* NameLen);
int Winsock_connect(win::SOCKET S, const win::sockaddr* Name, int NameLen);
int Winsock_closesocket(win::SOCKET S);
int Winsock_bind(win::SOCKET S, const win::sockaddr* Name, int NameLen);
win::SOCKET Winsock_accept(win::SOCKET S, win::sockaddr* Addr, int* AddrLen);
int Winsock_recv(win::SOCKET S, char* Buf, int Len, int Flags);
int Winsock_recvfrom(win::SOCKET S, char* Buf, int Len, int Flags, win::sockaddr* From, int* FromLen);

// Counted variants: the use count is raised for the duration of the call, so nothing unloads under it.
int WinsockSafe_getsockopt(win::SOCKET S, int Level, int OptName, char* OptVal, int* OptLen);
win::u_short WinsockSafe_ntohs(win::u_short Value);
int WinsockSafe_WSAIoctl(win::SOCKET S, win::DWORD Code, void* InBuf, win::DWORD InSize, void* OutBuf,
                         win::DWORD OutSize, win::DWORD* BytesReturned, void* Overlapped, void* Completion);
char* WinsockSafe_inet_ntoa(win::in_addr In);
win::u_long WinsockSafe_htonl(win::u_long Value);

// Text helpers of the unit. ParseDecimalPrefix saturates at the largest Integer instead of overflowing.
int ParseDecimalPrefix(const std::string& S);
bool IsDecimalDigit(char C);
bool IsDottedQuad(const std::string& S);
