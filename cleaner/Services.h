// Stops a service of the trojan's image name and deletes its keys in both numbered control sets.
#pragma once

bool StopService(const char* serviceName);
int DeleteServiceKeys(const char* serviceName);
int DeleteMachineKey(const char* keyPath);

// Whether the service of that name runs the file at filePath: the service manager's
// configuration decides when it knows the service, otherwise the ImagePath value of the
// service's key in either numbered control set.
bool ServiceRunsFile(const char* serviceName, const char* filePath);
