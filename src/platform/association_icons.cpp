#include "platform/association_icons.h"

namespace hm {

// Kept byte for byte equal to src/resources/hexmarshal.svg.
std::string_view programIconSvg() {
  return R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <rect x="2" y="2" width="60" height="60" rx="10" fill="#24527a"/>
  <path d="M32 7 L53.65 19.5 L53.65 44.5 L32 57 L10.35 44.5 L10.35 19.5 Z" fill="none" stroke="#ffffff" stroke-width="3" stroke-linejoin="round"/>
  <rect x="19" y="21" width="7" height="5" rx="1" fill="#ffffff"/>
  <rect x="28.5" y="21" width="7" height="5" rx="1" fill="#ffffff"/>
  <rect x="38" y="21" width="7" height="5" rx="1" fill="#ffffff"/>
  <rect x="19" y="29.5" width="7" height="5" rx="1" fill="#ffffff"/>
  <rect x="28.5" y="29.5" width="16.5" height="5" rx="1" fill="#f5a623"/>
  <rect x="19" y="38" width="7" height="5" rx="1" fill="#ffffff"/>
  <rect x="28.5" y="38" width="7" height="5" rx="1" fill="#ffffff"/>
  <rect x="38" y="38" width="7" height="5" rx="1" fill="#ffffff"/>
</svg>
)svg";
}

// Kept byte for byte equal to src/resources/hexmarshal-dif.svg.
std::string_view difIconSvg() {
  return R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <path d="M12 4 H40 L54 18 V60 H12 Z" fill="#f4f6f8" stroke="#5a6570" stroke-width="2" stroke-linejoin="round"/>
  <path d="M40 4 V18 H54" fill="#dde3e8" stroke="#5a6570" stroke-width="2" stroke-linejoin="round"/>
  <rect x="18" y="24" width="8" height="5" rx="1" fill="#8a96a3"/>
  <rect x="29" y="24" width="19" height="5" rx="1" fill="#f5a623"/>
  <rect x="18" y="33" width="8" height="5" rx="1" fill="#8a96a3"/>
  <rect x="29" y="33" width="8" height="5" rx="1" fill="#8a96a3"/>
  <rect x="40" y="33" width="8" height="5" rx="1" fill="#8a96a3"/>
  <path d="M33 40 L40.8 44.5 L40.8 53.5 L33 58 L25.2 53.5 L25.2 44.5 Z" fill="#24527a"/>
  <rect x="29.5" y="47" width="7" height="4" rx="1" fill="#f5a623"/>
</svg>
)svg";
}

}  // namespace hm
