#include "certs/CertListing.h"

void CertListing::Clear()
{
    issuedTo.clear();
    issuers.clear();
    serials.clear();
}

void CertListing::Add(const std::string& subject, const std::string& issuer, const std::string& serial)
{
    issuedTo.push_back(subject);
    issuers.push_back(issuer);
    serials.push_back(serial);
}
