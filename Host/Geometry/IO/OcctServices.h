#pragma once

namespace orvkit {

// Process-wide services that every OpenCASCADE reader and writer of the host needs before its
// first run: OpenCASCADE's messages go to the host logger (never to standard output). Signal
// handling is OcctFaultScope's, only for the length of a read or write.
// Safe to call many times and from several threads; the first call installs them.
void InstallOcctServices();

} // namespace orvkit
