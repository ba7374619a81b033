list(APPEND GRIDLINK_SOURCES
  transfer/CTransferProtocol.cpp
  transfer/TransferDownload.cpp
  transfer/TransferUpload.cpp
)
