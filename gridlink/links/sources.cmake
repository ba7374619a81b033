list(APPEND GRIDLINK_SOURCES
  links/CReceiverConnection.cpp
  links/ReceiverFraming.cpp
  links/ReceiverScript.cpp
  links/SerialLine.cpp
  links/CSerialConnection.cpp
  links/ModemAnswer.cpp
  links/CModemConnection.cpp
  links/LibusbAccess.cpp
  links/CUSBConnection.cpp
  links/SerialRateSearch.cpp
  links/LinkKind.cpp
  links/TcpLogin.cpp
  links/CTCPConnection.cpp
  links/ReceiverLinkFactory.cpp
  links/ModemDialer.cpp
)
