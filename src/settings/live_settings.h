// The settings in force for the run, as other parts of the program read them
// at the moment of use: the settings dialog implements this, and plain logic
// classes (saving an order, the exchange operations) take an
// ILiveSettings& so they need no Qt and tests can pass fixed values.
// Every call returns the current value; nothing is cached, so a change made in
// the dialog applies to the next use. Texts are UTF-8.
#pragma once

#include <string>

namespace zakaz {

class ILiveSettings {
 public:
  virtual ~ILiveSettings() = default;

  virtual std::string ClientCode() const = 0;      // names order files and remote paths
  virtual std::string Server() const = 0;          // FTP host name or dotted IPv4 address
  virtual std::string Login() const = 0;           // FTP account name
  virtual std::string Password() const = 0;        // FTP account password
  virtual bool Passive() const = 0;                // passive mode for data connections
  virtual std::string PriceDirectory() const = 0;  // remote directory of the price list
};

}  // namespace zakaz
