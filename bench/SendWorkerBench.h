// The send worker part of the network benchmark, in a file of its own: the worker's namespace
// `send` and the socket function send() of <sys/socket.h> cannot meet in one file.
#pragma once

namespace integration {
struct TestServers;
}

namespace bench {

// Prints the send worker sending one message with a 25 MB attachment and 1,000 messages of
// 20 KB through the test SMTP server, each a SEND of its own, without the SMTP client's pauses
// after DATA (as the SMTP client figures), then 20 with them; and the compose time and peak
// memory of the 25 MB message. False when a send failed.
bool BenchSendWorker(const integration::TestServers& servers);

}  // namespace bench
