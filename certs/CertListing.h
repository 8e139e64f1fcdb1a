// Certificates of one store that are fit for encryption: three lists read by index, row i
// describing the i-th accepted certificate in store order.
#pragma once
#include <string>
#include <vector>

class CertListing
{
public:
    std::vector<std::string> issuedTo;  // subject display names
    std::vector<std::string> issuers;   // issuer display names
    std::vector<std::string> serials;   // serial-number texts

    void Clear();
    void Add(const std::string& subject, const std::string& issuer, const std::string& serial);
    size_t Size() const { return serials.size(); }
};
