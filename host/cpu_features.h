// What the CPU offers the plug-in's row measure, asked the way the plug-in
// asks: AVX2 counts only when the system also saves the AVX registers.
#pragma once

namespace zek_host {

bool CpuHasAvx2();

}  // namespace zek_host
