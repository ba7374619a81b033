list(APPEND GRIDLINK_SOURCES
  platform/Clock.cpp
  platform/SystemError.cpp
  platform/Event.cpp
  platform/MessageQueue.cpp
  platform/Thread.cpp
  platform/MessagePump.cpp
  platform/WindowMessage.cpp
  platform/FdIo.cpp
  platform/SerialSpeed.cpp
  platform/Termios2.cpp
  platform/SerialPort.cpp
  platform/PtyPair.cpp
  platform/SerialPortList.cpp
  platform/UsbReceiverList.cpp
  platform/Socket.cpp
  platform/FairLock.cpp
)
