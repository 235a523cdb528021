// The flags of the 440 tables in table-number order; each row names its
// table. Signatures and entry counts come from the index functions' list
// (tablebases/index_list.h), so each is written once.
#include "tablebases/descriptor_rows.h"

const int32_t tb_descriptor_flags[TB_TABLE_ROWS] = {
    TB_FLAG_SYMMETRIC,                                         // 0 kk
    0,                                                         // 1 kpk
    0,                                                         // 2 knk
    0,                                                         // 3 kbk
    0,                                                         // 4 krk
    0,                                                         // 5 kqk
    0,                                                         // 6 kpkp
    0,                                                         // 7 knkp
    TB_FLAG_SYMMETRIC,                                         // 8 knkn
    0,                                                         // 9 kbkp
    0,                                                         // 10 kbkn
    TB_FLAG_SYMMETRIC,                                         // 11 kbkb
    0,                                                         // 12 krkp
    0,                                                         // 13 krkn
    0,                                                         // 14 krkb
    TB_FLAG_SYMMETRIC,                                         // 15 krkr
    0,                                                         // 16 kqkp
    0,                                                         // 17 kqkn
    0,                                                         // 18 kqkb
    0,                                                         // 19 kqkr
    TB_FLAG_SYMMETRIC,                                         // 20 kqkq
    0,                                                         // 21 kppk
    0,                                                         // 22 knpk
    0,                                                         // 23 knnk
    0,                                                         // 24 kbpk
    0,                                                         // 25 kbnk
    0,                                                         // 26 kbbk
    0,                                                         // 27 krpk
    0,                                                         // 28 krnk
    0,                                                         // 29 krbk
    0,                                                         // 30 krrk
    0,                                                         // 31 kqpk
    0,                                                         // 32 kqnk
    0,                                                         // 33 kqbk
    0,                                                         // 34 kqrk
    0,                                                         // 35 kqqk
    0,                                                         // 36 kppkp
    0,                                                         // 37 kppkn
    0,                                                         // 38 kppkb
    0,                                                         // 39 kppkr
    0,                                                         // 40 kppkq
    0,                                                         // 41 knpkp
    0,                                                         // 42 knpkn
    0,                                                         // 43 knpkb
    0,                                                         // 44 knpkr
    0,                                                         // 45 knpkq
    0,                                                         // 46 knnkp
    0,                                                         // 47 knnkn
    0,                                                         // 48 knnkb
    0,                                                         // 49 knnkr
    0,                                                         // 50 knnkq
    0,                                                         // 51 kbpkp
    0,                                                         // 52 kbpkn
    0,                                                         // 53 kbpkb
    0,                                                         // 54 kbpkr
    0,                                                         // 55 kbpkq
    0,                                                         // 56 kbnkp
    0,                                                         // 57 kbnkn
    0,                                                         // 58 kbnkb
    0,                                                         // 59 kbnkr
    0,                                                         // 60 kbnkq
    0,                                                         // 61 kbbkp
    0,                                                         // 62 kbbkn
    0,                                                         // 63 kbbkb
    0,                                                         // 64 kbbkr
    0,                                                         // 65 kbbkq
    0,                                                         // 66 krpkp
    0,                                                         // 67 krpkn
    0,                                                         // 68 krpkb
    0,                                                         // 69 krpkr
    0,                                                         // 70 krpkq
    0,                                                         // 71 krnkp
    0,                                                         // 72 krnkn
    0,                                                         // 73 krnkb
    0,                                                         // 74 krnkr
    0,                                                         // 75 krnkq
    0,                                                         // 76 krbkp
    0,                                                         // 77 krbkn
    0,                                                         // 78 krbkb
    0,                                                         // 79 krbkr
    0,                                                         // 80 krbkq
    0,                                                         // 81 krrkp
    0,                                                         // 82 krrkn
    0,                                                         // 83 krrkb
    0,                                                         // 84 krrkr
    0,                                                         // 85 krrkq
    0,                                                         // 86 kqpkp
    0,                                                         // 87 kqpkn
    0,                                                         // 88 kqpkb
    0,                                                         // 89 kqpkr
    0,                                                         // 90 kqpkq
    0,                                                         // 91 kqnkp
    0,                                                         // 92 kqnkn
    0,                                                         // 93 kqnkb
    0,                                                         // 94 kqnkr
    0,                                                         // 95 kqnkq
    0,                                                         // 96 kqbkp
    0,                                                         // 97 kqbkn
    0,                                                         // 98 kqbkb
    0,                                                         // 99 kqbkr
    0,                                                         // 100 kqbkq
    0,                                                         // 101 kqrkp
    0,                                                         // 102 kqrkn
    0,                                                         // 103 kqrkb
    0,                                                         // 104 kqrkr
    0,                                                         // 105 kqrkq
    0,                                                         // 106 kqqkp
    0,                                                         // 107 kqqkn
    0,                                                         // 108 kqqkb
    0,                                                         // 109 kqqkr
    0,                                                         // 110 kqqkq
    0,                                                         // 111 kpppk
    0,                                                         // 112 knppk
    0,                                                         // 113 knnpk
    0,                                                         // 114 knnnk
    0,                                                         // 115 kbppk
    0,                                                         // 116 kbnpk
    0,                                                         // 117 kbnnk
    0,                                                         // 118 kbbpk
    0,                                                         // 119 kbbnk
    0,                                                         // 120 kbbbk
    0,                                                         // 121 krppk
    0,                                                         // 122 krnpk
    0,                                                         // 123 krnnk
    0,                                                         // 124 krbpk
    0,                                                         // 125 krbnk
    0,                                                         // 126 krbbk
    0,                                                         // 127 krrpk
    0,                                                         // 128 krrnk
    0,                                                         // 129 krrbk
    0,                                                         // 130 krrrk
    0,                                                         // 131 kqppk
    0,                                                         // 132 kqnpk
    0,                                                         // 133 kqnnk
    0,                                                         // 134 kqbpk
    0,                                                         // 135 kqbnk
    0,                                                         // 136 kqbbk
    0,                                                         // 137 kqrpk
    0,                                                         // 138 kqrnk
    0,                                                         // 139 kqrbk
    0,                                                         // 140 kqrrk
    0,                                                         // 141 kqqpk
    0,                                                         // 142 kqqnk
    0,                                                         // 143 kqqbk
    0,                                                         // 144 kqqrk
    0,                                                         // 145 kqqqk
    TB_FLAG_SYMMETRIC,                                         // 146 knnknn
    0,                                                         // 147 kbnknn
    0,                                                         // 148 kbbknn
    0,                                                         // 149 kbbkbn
    TB_FLAG_SYMMETRIC,                                         // 150 kbbkbb
    TB_FLAG_WORD_ENTRIES,                                      // 151 krnknn
    TB_FLAG_WORD_ENTRIES,                                      // 152 krnkbb
    TB_FLAG_WORD_ENTRIES,                                      // 153 krbknn
    0,                                                         // 154 krbkbb
    0,                                                         // 155 krrknn
    0,                                                         // 156 krrkbn
    0,                                                         // 157 krrkbb
    0,                                                         // 158 krrkrn
    0,                                                         // 159 krrkrb
    TB_FLAG_SYMMETRIC,                                         // 160 krrkrr
    0,                                                         // 161 kqnknn
    0,                                                         // 162 kqnkbb
    TB_FLAG_WORD_ENTRIES,                                      // 163 kqnkrr
    0,                                                         // 164 kqbknn
    0,                                                         // 165 kqbkbb
    0,                                                         // 166 kqbkrr
    0,                                                         // 167 kqrknn
    0,                                                         // 168 kqrkbb
    0,                                                         // 169 kqrkrr
    0,                                                         // 170 kqqknn
    0,                                                         // 171 kqqkbn
    0,                                                         // 172 kqqkbb
    0,                                                         // 173 kqqkrn
    0,                                                         // 174 kqqkrb
    0,                                                         // 175 kqqkrr
    0,                                                         // 176 kqqkqn
    0,                                                         // 177 kqqkqb
    0,                                                         // 178 kqqkqr
    TB_FLAG_SYMMETRIC,                                         // 179 kqqkqq
    TB_FLAG_SYMMETRIC,                                         // 180 kbnkbn
    TB_FLAG_SYMMETRIC,                                         // 181 krnkrn
    TB_FLAG_SYMMETRIC,                                         // 182 krbkrb
    TB_FLAG_SYMMETRIC,                                         // 183 kqnkqn
    TB_FLAG_SYMMETRIC,                                         // 184 kqbkqb
    TB_FLAG_SYMMETRIC,                                         // 185 kqrkqr
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 186 krnkbn
    TB_FLAG_SPLIT,                                             // 187 krbkbn
    0,                                                         // 188 krbkrn
    0,                                                         // 189 kqnkbn
    TB_FLAG_SPLIT,                                             // 190 kqnkrn
    TB_FLAG_SPLIT,                                             // 191 kqnkrb
    0,                                                         // 192 kqbkbn
    TB_FLAG_SPLIT,                                             // 193 kqbkrn
    TB_FLAG_SPLIT,                                             // 194 kqbkrb
    0,                                                         // 195 kqbkqn
    0,                                                         // 196 kqrkbn
    0,                                                         // 197 kqrkrn
    0,                                                         // 198 kqrkrb
    0,                                                         // 199 kqrkqn
    0,                                                         // 200 kqrkqb
    TB_FLAG_SYMMETRIC | TB_FLAG_WORD_ENTRIES,                  // 201 kppkpp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 202 knpkpp
    TB_FLAG_SYMMETRIC | TB_FLAG_SPLIT,                         // 203 knpknp
    TB_FLAG_WORD_ENTRIES,                                      // 204 knnkpp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 205 knnknp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 206 kbpkpp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 207 kbpknp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 208 kbpknn
    TB_FLAG_SYMMETRIC | TB_FLAG_SPLIT,                         // 209 kbpkbp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 210 kbnkpp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 211 kbnknp
    TB_FLAG_SPLIT,                                             // 212 kbnkbp
    0,                                                         // 213 kbbkpp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 214 kbbknp
    TB_FLAG_SPLIT,                                             // 215 kbbkbp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 216 krpkpp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 217 krpknp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 218 krpknn
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 219 krpkbp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 220 krpkbn
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 221 krpkbb
    TB_FLAG_SYMMETRIC | TB_FLAG_SPLIT,                         // 222 krpkrp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 223 krnkpp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 224 krnknp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 225 krnkbp
    TB_FLAG_SPLIT,                                             // 226 krnkrp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 227 krbkpp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 228 krbknp
    TB_FLAG_SPLIT,                                             // 229 krbkbp
    TB_FLAG_SPLIT,                                             // 230 krbkrp
    TB_FLAG_WORD_ENTRIES,                                      // 231 krrkpp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 232 krrknp
    TB_FLAG_SPLIT,                                             // 233 krrkbp
    TB_FLAG_SPLIT,                                             // 234 krrkrp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 235 kqpkpp
    TB_FLAG_SPLIT,                                             // 236 kqpknp
    TB_FLAG_SPLIT,                                             // 237 kqpknn
    TB_FLAG_SPLIT,                                             // 238 kqpkbp
    TB_FLAG_SPLIT,                                             // 239 kqpkbn
    TB_FLAG_SPLIT,                                             // 240 kqpkbb
    TB_FLAG_SPLIT,                                             // 241 kqpkrp
    TB_FLAG_SPLIT,                                             // 242 kqpkrn
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 243 kqpkrb
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 244 kqpkrr
    TB_FLAG_SYMMETRIC | TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,  // 245 kqpkqp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 246 kqnkpp
    TB_FLAG_SPLIT,                                             // 247 kqnknp
    TB_FLAG_SPLIT,                                             // 248 kqnkbp
    TB_FLAG_SPLIT,                                             // 249 kqnkrp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 250 kqnkqp
    TB_FLAG_SPLIT,                                             // 251 kqbkpp
    TB_FLAG_SPLIT,                                             // 252 kqbknp
    TB_FLAG_SPLIT,                                             // 253 kqbkbp
    TB_FLAG_SPLIT,                                             // 254 kqbkrp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 255 kqbkqp
    TB_FLAG_SPLIT,                                             // 256 kqrkpp
    TB_FLAG_SPLIT,                                             // 257 kqrknp
    TB_FLAG_SPLIT,                                             // 258 kqrkbp
    TB_FLAG_SPLIT,                                             // 259 kqrkrp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 260 kqrkqp
    0,                                                         // 261 kqqkpp
    TB_FLAG_SPLIT,                                             // 262 kqqknp
    TB_FLAG_SPLIT,                                             // 263 kqqkbp
    TB_FLAG_SPLIT,                                             // 264 kqqkrp
    TB_FLAG_SPLIT,                                             // 265 kqqkqp
    0,                                                         // 266 knnnkn
    0,                                                         // 267 kbnnkn
    0,                                                         // 268 kbbnkn
    0,                                                         // 269 kbbbkn
    0,                                                         // 270 krnnkn
    0,                                                         // 271 krbbkn
    0,                                                         // 272 krrnkn
    0,                                                         // 273 krrbkn
    0,                                                         // 274 krrrkn
    0,                                                         // 275 kqnnkn
    0,                                                         // 276 kqbbkn
    0,                                                         // 277 kqrrkn
    0,                                                         // 278 kqqnkn
    0,                                                         // 279 kqqbkn
    0,                                                         // 280 kqqrkn
    0,                                                         // 281 kqqqkn
    0,                                                         // 282 knnnkb
    0,                                                         // 283 kbnnkb
    0,                                                         // 284 kbbnkb
    0,                                                         // 285 kbbbkb
    0,                                                         // 286 krnnkb
    0,                                                         // 287 krbbkb
    0,                                                         // 288 krrnkb
    0,                                                         // 289 krrbkb
    0,                                                         // 290 krrrkb
    0,                                                         // 291 kqnnkb
    0,                                                         // 292 kqbbkb
    0,                                                         // 293 kqrrkb
    0,                                                         // 294 kqqnkb
    0,                                                         // 295 kqqbkb
    0,                                                         // 296 kqqrkb
    0,                                                         // 297 kqqqkb
    0,                                                         // 298 knnnkr
    0,                                                         // 299 kbnnkr
    0,                                                         // 300 kbbnkr
    0,                                                         // 301 kbbbkr
    0,                                                         // 302 krnnkr
    0,                                                         // 303 krbbkr
    0,                                                         // 304 krrnkr
    0,                                                         // 305 krrbkr
    0,                                                         // 306 krrrkr
    0,                                                         // 307 kqnnkr
    0,                                                         // 308 kqbbkr
    0,                                                         // 309 kqrrkr
    0,                                                         // 310 kqqnkr
    0,                                                         // 311 kqqbkr
    0,                                                         // 312 kqqrkr
    0,                                                         // 313 kqqqkr
    0,                                                         // 314 knnnkq
    0,                                                         // 315 kbnnkq
    0,                                                         // 316 kbbnkq
    0,                                                         // 317 kbbbkq
    0,                                                         // 318 krnnkq
    0,                                                         // 319 krbbkq
    0,                                                         // 320 krrnkq
    0,                                                         // 321 krrbkq
    0,                                                         // 322 krrrkq
    0,                                                         // 323 kqnnkq
    0,                                                         // 324 kqbbkq
    0,                                                         // 325 kqrrkq
    0,                                                         // 326 kqqnkq
    0,                                                         // 327 kqqbkq
    0,                                                         // 328 kqqrkq
    0,                                                         // 329 kqqqkq
    0,                                                         // 330 krbnkn
    0,                                                         // 331 kqbnkn
    0,                                                         // 332 kqrnkn
    0,                                                         // 333 kqrbkn
    0,                                                         // 334 krbnkb
    0,                                                         // 335 kqbnkb
    0,                                                         // 336 kqrnkb
    0,                                                         // 337 kqrbkb
    0,                                                         // 338 krbnkr
    0,                                                         // 339 kqbnkr
    0,                                                         // 340 kqrnkr
    0,                                                         // 341 kqrbkr
    0,                                                         // 342 krbnkq
    TB_FLAG_SPLIT,                                             // 343 kqbnkq
    0,                                                         // 344 kqrnkq
    0,                                                         // 345 kqrbkq
    TB_FLAG_WORD_ENTRIES,                                      // 346 kpppkp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 347 knppkp
    TB_FLAG_SPLIT,                                             // 348 knnpkp
    0,                                                         // 349 knnnkp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 350 kbppkp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 351 kbnpkp
    TB_FLAG_SPLIT,                                             // 352 kbnnkp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 353 kbbpkp
    TB_FLAG_SPLIT,                                             // 354 kbbnkp
    0,                                                         // 355 kbbbkp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 356 krppkp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 357 krnpkp
    TB_FLAG_SPLIT,                                             // 358 krnnkp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 359 krbpkp
    TB_FLAG_SPLIT,                                             // 360 krbnkp
    TB_FLAG_SPLIT,                                             // 361 krbbkp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 362 krrpkp
    TB_FLAG_SPLIT,                                             // 363 krrnkp
    TB_FLAG_SPLIT,                                             // 364 krrbkp
    0,                                                         // 365 krrrkp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 366 kqppkp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 367 kqnpkp
    TB_FLAG_SPLIT,                                             // 368 kqnnkp
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 369 kqbpkp
    TB_FLAG_SPLIT,                                             // 370 kqbnkp
    TB_FLAG_SPLIT,                                             // 371 kqbbkp
    TB_FLAG_SPLIT,                                             // 372 kqrpkp
    TB_FLAG_SPLIT,                                             // 373 kqrnkp
    TB_FLAG_SPLIT,                                             // 374 kqrbkp
    TB_FLAG_SPLIT,                                             // 375 kqrrkp
    TB_FLAG_SPLIT,                                             // 376 kqqpkp
    TB_FLAG_SPLIT,                                             // 377 kqqnkp
    TB_FLAG_SPLIT,                                             // 378 kqqbkp
    TB_FLAG_SPLIT,                                             // 379 kqqrkp
    0,                                                         // 380 kqqqkp
    0,                                                         // 381 kpppkn
    TB_FLAG_SPLIT,                                             // 382 knppkn
    TB_FLAG_SPLIT,                                             // 383 knnpkn
    TB_FLAG_SPLIT,                                             // 384 kbppkn
    TB_FLAG_SPLIT,                                             // 385 kbnpkn
    TB_FLAG_SPLIT,                                             // 386 kbbpkn
    TB_FLAG_SPLIT,                                             // 387 krppkn
    TB_FLAG_SPLIT,                                             // 388 krnpkn
    TB_FLAG_SPLIT,                                             // 389 krbpkn
    TB_FLAG_SPLIT,                                             // 390 krrpkn
    TB_FLAG_SPLIT,                                             // 391 kqppkn
    TB_FLAG_SPLIT,                                             // 392 kqnpkn
    TB_FLAG_SPLIT,                                             // 393 kqbpkn
    TB_FLAG_SPLIT,                                             // 394 kqrpkn
    TB_FLAG_SPLIT,                                             // 395 kqqpkn
    0,                                                         // 396 kpppkb
    TB_FLAG_SPLIT,                                             // 397 knppkb
    TB_FLAG_SPLIT,                                             // 398 knnpkb
    TB_FLAG_SPLIT,                                             // 399 kbppkb
    TB_FLAG_SPLIT,                                             // 400 kbnpkb
    TB_FLAG_SPLIT,                                             // 401 kbbpkb
    TB_FLAG_SPLIT,                                             // 402 krppkb
    TB_FLAG_SPLIT,                                             // 403 krnpkb
    TB_FLAG_SPLIT,                                             // 404 krbpkb
    TB_FLAG_SPLIT,                                             // 405 krrpkb
    TB_FLAG_SPLIT,                                             // 406 kqppkb
    TB_FLAG_SPLIT,                                             // 407 kqnpkb
    TB_FLAG_SPLIT,                                             // 408 kqbpkb
    TB_FLAG_SPLIT,                                             // 409 kqrpkb
    TB_FLAG_SPLIT,                                             // 410 kqqpkb
    0,                                                         // 411 kpppkr
    TB_FLAG_SPLIT,                                             // 412 knppkr
    TB_FLAG_SPLIT,                                             // 413 knnpkr
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 414 kbppkr
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 415 kbnpkr
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 416 kbbpkr
    TB_FLAG_SPLIT,                                             // 417 krppkr
    TB_FLAG_SPLIT,                                             // 418 krnpkr
    TB_FLAG_SPLIT,                                             // 419 krbpkr
    TB_FLAG_SPLIT,                                             // 420 krrpkr
    TB_FLAG_SPLIT,                                             // 421 kqppkr
    TB_FLAG_SPLIT,                                             // 422 kqnpkr
    TB_FLAG_SPLIT,                                             // 423 kqbpkr
    TB_FLAG_SPLIT,                                             // 424 kqrpkr
    TB_FLAG_SPLIT,                                             // 425 kqqpkr
    TB_FLAG_WORD_ENTRIES,                                      // 426 kpppkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 427 knppkq
    TB_FLAG_SPLIT,                                             // 428 knnpkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 429 kbppkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 430 kbnpkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 431 kbbpkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 432 krppkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 433 krnpkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 434 krbpkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 435 krrpkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 436 kqppkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 437 kqnpkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 438 kqbpkq
    TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT,                      // 439 kqrpkq
    TB_FLAG_SPLIT,                                             // 440 kqqpkq
};
