list(APPEND GRIDLINK_SOURCES
  net/CSockAddr.cpp
  net/CBlockingSocket.cpp
  net/CBlockingSocketException.cpp
  net/TlsStream.cpp
  net/TlsClient.cpp
)
