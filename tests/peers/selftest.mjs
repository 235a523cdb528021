#!/usr/bin/env node
// Shows that the game scripts catch what they claim to: each case runs a
// script against fake_engine.mjs with one protocol fault and requires exit
// code 1 with the expected diagnosis; the fault-free cases must pass. The
// peer is the fake engine too, so no chess program is needed.
import { spawn } from 'node:child_process';
import { fileURLToPath } from 'node:url';
import { dirname, join } from 'node:path';

const here = dirname(fileURLToPath(import.meta.url));
const fake = (fault, at, seed) => `${process.execPath} ${join(here, 'fake_engine.mjs')} --fault ${fault} --at ${at ?? 6} --seed ${seed ?? 7}`;
const peer = `${process.execPath} ${join(here, 'fake_engine.mjs')} --seed 3`;

const UCI = ['uci_games.mjs', '--peer', peer, '--games', '2', '--maxply', '40', '--max-wait', '1500'];
const XB = ['xboard_games.mjs', '--peer', peer, '--games', '2', '--maxply', '40', '--max-wait', '1500', '--tc', 'sd 1', '--ponder-wait', '20'];

// [script arguments, expected exit code, text the output must contain]
const cases = [
  [[...UCI, '--engine', fake('none')], 0, 'uci: PASS'],
  [[...UCI, '--engine', fake('none'), '--limit', 'clock', '--tc', '2+0.01'], 0, 'uci: PASS'],
  [[...UCI, '--engine', fake('none'), '--ponder'], 0, 'uci: PASS'],
  [[...UCI, '--engine', fake('ponderearly'), '--ponder'], 1, "while pondering, before 'ponderhit' or 'stop'"],
  [[...UCI, '--engine', fake('illegal')], 1, 'played an illegal move at ply 6'],
  [[...UCI, '--engine', fake('silent')], 1, 'no bestmove within 1500 ms'],
  [[...UCI, '--engine', fake('crash')], 1, 'exited with code 3'],
  [[...UCI, '--engine', fake('claim')], 1, 'claimed the game over'],
  [[...UCI, '--engine', fake('badpv')], 1, 'illegal pv at ply 6'],
  [[...UCI, '--engine', fake('badponder')], 1, 'illegal ponder move at ply 6'],
  [[...UCI, '--engine', fake('badoption')], 1, 'bad spin option'],
  [[...UCI, '--engine', fake('badexit')], 1, 'exited with code 1'],
  [[...XB, '--engine', fake('none')], 0, 'xboard: PASS'],
  [[...XB, '--engine', fake('none'), '--openings', 'e2e4 e7e5'], 0, 'xboard: PASS'],
  [[...XB, '--engine', fake('illegal')], 1, 'the engine played an illegal move'],
  [[...XB, '--engine', fake('silent')], 1, 'no move within 1500 ms'],
  [[...XB, '--engine', fake('crash')], 1, 'exited with code 3'],
  [[...XB, '--engine', fake('claim')], 1, "claimed '1/2-1/2 {fake claim}', but no rule ends the game"],
  [[...XB, '--engine', fake('refuse')], 1, 'the engine refused a move'],
  [[...XB, '--engine', fake('badpv')], 1, 'illegal principal variation'],
  [[...XB, '--engine', fake('easyponder'), '--ponder', 'off'], 1, 'pondering off'],
  [[...XB, '--engine', fake('noponder', 0), '--ponder', 'on'], 1, 'no thinking output on the opponent\'s time'],
  [[...XB, '--engine', fake('badhint'), '--ponder', 'on'], 1, 'illegal hint'],
  [[...XB, '--engine', fake('lateresult'), '--ponder', 'off'], 1, 'still thinking'],
  [[...XB, '--engine', fake('badexit')], 1, 'exited with code 1'],
];

function run([argv, code, text]) {
  return new Promise(resolve => {
    const p = spawn(process.execPath, argv, { cwd: here, stdio: ['ignore', 'pipe', 'pipe'] });
    let out = '';
    p.stdout.on('data', d => { out += d; });
    p.stderr.on('data', d => { out += d; });
    p.on('exit', rc => {
      const fault = /--fault (\S+)/.exec(argv.join(' '))[1];
      const i = argv.indexOf('--ponder');
      const name = `${argv[0]} ${fault}${i < 0 ? '' : argv[i + 1] && !argv[i + 1].startsWith('--') ? ' ponder ' + argv[i + 1] : ' ponder'}`;
      const ok = rc === code && out.includes(text);
      resolve({ ok, line: `${ok ? 'ok  ' : 'FAIL'} ${name}: exit ${rc} (want ${code}), ${out.includes(text) ? 'found' : 'missing'} '${text}'`, out });
    });
  });
}

// A few at a time: the timeouts of the cases must not stretch under load.
const results = [];
const queue = [...cases];
await Promise.all(Array.from({ length: 6 }, async () => {
  while (queue.length) { const c = queue.shift(); results[cases.indexOf(c)] = await run(c); }
}));
let failed = 0;
for (const r of results) {
  console.log(r.line);
  if (!r.ok) { failed++; console.log(r.out.split('\n').slice(0, 30).map(l => '    ' + l).join('\n')); }
}
console.log(failed ? `selftest: ${failed} of ${cases.length} cases failed` : `selftest: PASS: all ${cases.length} cases`);
process.exitCode = failed ? 1 : 0;
