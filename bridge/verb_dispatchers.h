#pragma once

class CEndpointHandler;

// Gives `handler` its GET, PUT and POST dispatchers with the operation tables
// of the module bridge.
void InstallDispatchers(CEndpointHandler& handler);
