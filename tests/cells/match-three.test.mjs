// The match-three page's rules, run on the very file the program embeds,
// with a small stand-in for the DOM and a seeded random source.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';

const html = readFileSync(new URL('../../src/Cells/match-three.html', import.meta.url), 'utf8');
const script = html.match(/<script>([\s\S]*)<\/script>/)[1];

class Element {
  constructor() { this.children = []; this.className = ''; this.textContent = ''; this.onclick = null; }
  set innerHTML(_) { this.children = []; }
  appendChild(child) { this.children.push(child); return child; }
}

// Random fractions from a fixed seed; `queued` tile kinds come out first.
function randomSource(seed) {
  const queued = [];
  const next = () => {
    if (queued.length) return (queued.shift() + 0.5) / 7;
    seed = (seed + 0x6d2b79f5) | 0;
    let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  return { next, queued };
}

function loadPage(seed = 1) {
  const elements = { grid: new Element(), sc: new Element(), mv: new Element() };
  const random = randomSource(seed);
  const context = vm.createContext({
    document: { getElementById: (id) => elements[id], createElement: () => new Element() },
    nextRandom: random.next,
  });
  vm.runInContext('Math.random = nextRandom;', context);
  vm.runInContext(script, context);
  const run = (code) => vm.runInContext(code, context);
  return {
    run,
    random,
    tiles: () => elements.grid.children,
    // Taps through the drawn tiles, as a click would.
    tap: (r, c) => elements.grid.children[r * 7 + c].onclick(),
    score: () => String(elements.sc.textContent),
    moves: () => String(elements.mv.textContent),
    // Puts a board in place and draws it.
    setBoard: (rows) => run(`b = ${JSON.stringify(rows)}; sel = null; dr();`),
  };
}

// No run of three anywhere: rows alternate between two shifted patterns of
// kinds 0 to 3, leaving 4, 5 and 6 free for the tests to place.
function quietBoard() {
  return Array.from({ length: 7 }, (_, r) => Array.from({ length: 7 }, (_, c) => (c + 2 * (r % 2)) % 4));
}

test('a new page starts with 49 tiles, no run of three, score and moves 0', () => {
  for (let seed = 1; seed <= 200; seed++) {
    const page = loadPage(seed);
    assert.equal(page.run('fm().length'), 0, `seed ${seed}`);
    assert.equal(page.tiles().length, 49);
    assert.equal(page.score(), '0');
    assert.equal(page.moves(), '0');
  }
  const page = loadPage(7);
  const kinds = page.run('T');
  assert.ok(page.tiles().every((tile) => tile.className === 'c' && kinds.includes(tile.textContent)));
});

test('runs of three, four and an L of five score 10 a tile in one move', () => {
  // Tiles of kinds the quiet board lacks, then the swap that lines them up.
  const cases = [
    { name: 'three', place: [[3, 0, 5], [3, 1, 5], [4, 2, 5]], swap: [[3, 2], [4, 2]], score: '30' },
    { name: 'four', place: [[3, 0, 5], [3, 1, 5], [4, 2, 5], [3, 3, 5]], swap: [[3, 2], [4, 2]], score: '40' },
    { name: 'L of five', place: [[3, 0, 5], [3, 1, 5], [2, 2, 5], [4, 2, 5], [5, 2, 5]], swap: [[2, 2], [3, 2]],
      score: '50' },
    { name: 'two runs', place: [[3, 0, 5], [3, 1, 5], [2, 2, 5], [3, 2, 4], [2, 3, 4], [2, 4, 4]],
      swap: [[2, 2], [3, 2]], score: '60' },
  ];
  for (const { name, place, swap, score } of cases) {
    const page = loadPage();
    const board = quietBoard();
    for (const [r, c, kind] of place) board[r][c] = kind;
    page.setBoard(board);
    assert.equal(page.run('fm().length'), 0, name);
    // Refills of kinds that cannot line up with the quiet board.
    page.random.queued.push(6, 4, 6, 4, 6, 4, 6, 4, 6, 4);
    page.tap(...swap[0]);
    page.tap(...swap[1]);
    assert.equal(page.score(), score, name);
    assert.equal(page.moves(), '1', name);
    assert.equal(page.run('fm().length'), 0, name);
    assert.ok(page.tiles().every((tile) => tile.className === 'c'), name);
  }
});

test('a cascade of falling tiles scores in further rounds of the same move', () => {
  const page = loadPage();
  const board = quietBoard();
  board[3][0] = board[3][1] = board[4][2] = 5;  // the swap's run of three
  board[2][0] = board[4][0] = board[5][0] = 6;  // 6 falls onto two more 6s
  page.setBoard(board);
  assert.equal(page.run('fm().length'), 0);
  page.random.queued.push(4, 5, 4, 5, 4, 5, 4, 5);
  page.tap(3, 2);
  page.tap(4, 2);
  assert.equal(page.score(), '60');
  assert.equal(page.moves(), '1');
});

test('a swap that makes no run is undone and counts nothing', () => {
  const page = loadPage();
  page.setBoard(quietBoard());
  const before = page.run('JSON.stringify(b)');
  page.tap(0, 0);
  page.tap(0, 1);
  assert.equal(page.run('JSON.stringify(b)'), before);
  assert.equal(page.score(), '0');
  assert.equal(page.moves(), '0');
  assert.equal(page.run('sel'), null);
});

test('a second tap anywhere but a neighbour only clears the selection', () => {
  const page = loadPage();
  const board = quietBoard();
  // (3,2) swapped with either (4,3) or (5,2) would line up three 5s.
  board[3][0] = board[3][1] = board[4][3] = board[5][2] = 5;
  page.setBoard(board);
  assert.equal(page.run('fm().length'), 0);
  const before = page.run('JSON.stringify(b)');
  for (const second of [[4, 3], [3, 2], [5, 2], [0, 6]]) {  // diagonal, itself, two away, far
    page.tap(3, 2);
    assert.equal(page.tiles()[3 * 7 + 2].className, 'c sel');
    page.tap(...second);
    assert.equal(page.run('sel'), null);
    assert.ok(page.tiles().every((tile) => tile.className === 'c'));
  }
  assert.equal(page.run('JSON.stringify(b)'), before);
  assert.equal(page.moves(), '0');
  // The next tap selects afresh.
  page.tap(4, 2);
  assert.equal(page.tiles()[4 * 7 + 2].className, 'c sel');
});
