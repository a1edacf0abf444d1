#pragma once

class TAppLog;

// Routes the notice that this process may not send ICMP echo to the application log: one Warning line
// (sIcmpEchoNotPermitted) that names the TCP connection check as the way out. The line is added on the
// log's thread; nothing is added once the log is gone. A null log detaches.
void RouteIcmpUnavailableToLog(TAppLog* log);
