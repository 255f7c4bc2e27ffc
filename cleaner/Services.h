// Stops a service of the trojan's image name and deletes its keys in both numbered control sets.
#pragma once

bool StopService(const char* serviceName);
int DeleteServiceKeys(const char* serviceName);
int DeleteMachineKey(const char* keyPath);
