#pragma once

#include "server/ScoreServer.h"

#include <string>
#include <vector>

namespace server {

// The command line of bloomzap-server.
struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 8080;
    std::string database;        // "sqlite:DIR" or a PostgreSQL connection URI
    int databaseConnections = 4; // the most PostgreSQL connections for requests
    std::string ticketKeyFile;   // empty: the store keeps the ticket key
    ServeSettings serve;
    bool help = false;
    bool version = false;
};

// Reads the arguments after the program name; options take their value as "--opt value" or
// "--opt=value". Throws std::invalid_argument with a one-line message for the user on a wrong
// command line.
ServerOptions parseOptions(const std::vector<std::string>& args);

// The --help text.
std::string usage();

} // namespace server
