#pragma once
// The login dialogue of a receiver's network port, on a connected socket: wait for the
// "\r\nlogin:" prompt (it may come in two reads), answer an empty user name with one line feed,
// then the password and a line feed; the receiver's answer must hold "RE".
// Returns "" when logged in, else the open's error text: "ER:" + the unexpected prompt text
// (from its sixth character) or the refusing answer, or "ER:Receiver don't reply!" when the
// receiver closes, resets or stays silent for readSeconds at one step, or when the whole
// dialogue has taken totalSeconds. Throws nothing.
#include <string>

class CBlockingSocket;

std::string TcpLogin(CBlockingSocket& socket, const std::string& password, int readSeconds, int totalSeconds);
