#pragma once
// The "tempreg" local service of a session: the listener, one record per
// connected client, the store behind them.
struct ServiceState;

// 0 on success, else the errno value of the listener.
int StartTempregService(ServiceState* state);
// Frees every item and closes the listener and every client.
void StopTempregService(ServiceState* state);
