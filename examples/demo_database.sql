-- Schema and data of the demo database: a small order book with related tables, a view,
-- NULLs, non-ASCII text and a binary column. Rows are generated, so the file stays small.
PRAGMA foreign_keys = ON;

CREATE TABLE regions (
    region_id   INTEGER PRIMARY KEY,
    name        VARCHAR(40) NOT NULL
);

CREATE TABLE customers (
    customer_id INTEGER PRIMARY KEY,
    name        VARCHAR(80) NOT NULL,
    city        VARCHAR(40),
    region_id   INTEGER REFERENCES regions(region_id),
    email       VARCHAR(80),
    created     DATE NOT NULL
);

CREATE TABLE products (
    product_id  INTEGER PRIMARY KEY,
    name        VARCHAR(80) NOT NULL,
    price       NUMERIC(10,2) NOT NULL,
    notes       TEXT,
    thumbnail   BLOB
);

CREATE TABLE orders (
    order_id    INTEGER PRIMARY KEY,
    customer_id INTEGER NOT NULL REFERENCES customers(customer_id),
    ordered_at  TIMESTAMP NOT NULL,
    shipped_at  TIMESTAMP,
    comment     VARCHAR(200)
);

CREATE TABLE order_items (
    order_id    INTEGER NOT NULL REFERENCES orders(order_id),
    line_no     INTEGER NOT NULL,
    product_id  INTEGER NOT NULL REFERENCES products(product_id),
    quantity    INTEGER NOT NULL,
    unit_price  NUMERIC(10,2) NOT NULL,
    PRIMARY KEY (order_id, line_no)
);

CREATE INDEX orders_by_customer ON orders(customer_id);
CREATE INDEX items_by_product ON order_items(product_id);

INSERT INTO regions(region_id, name) VALUES
    (1, 'Nord'), (2, 'Süd'), (3, 'Île-de-France'), (4, 'Øresund'), (5, 'Kraków');

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500)
INSERT INTO customers(customer_id, name, city, region_id, email, created)
SELECT i,
       CASE i % 7 WHEN 0 THEN 'Jürgen Müller ' WHEN 1 THEN 'Zoë Çelik ' WHEN 2 THEN 'Ана Петрова '
                  WHEN 3 THEN '山田 太郎 ' WHEN 4 THEN 'Seán Ó Briain ' WHEN 5 THEN 'Ewa Łukasz '
                  ELSE 'Pat Smith ' END || i,
       CASE i % 5 WHEN 0 THEN 'Hamburg' WHEN 1 THEN 'München' WHEN 2 THEN 'Paris'
                  WHEN 3 THEN 'Malmö' ELSE NULL END,
       CASE WHEN i % 11 = 0 THEN NULL ELSE 1 + i % 5 END,
       CASE WHEN i % 4 = 0 THEN NULL ELSE 'customer' || i || '@example.org' END,
       date('2020-01-01', '+' || (i * 3) || ' days')
FROM n;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 120)
INSERT INTO products(product_id, name, price, notes, thumbnail)
SELECT i,
       'Produkt ' || i || CASE i % 3 WHEN 0 THEN ' – Größe L' WHEN 1 THEN ' (Crème)' ELSE '' END,
       round(1.5 + (i * 37 % 1000) / 10.0, 2),
       CASE WHEN i % 2 = 0 THEN NULL
            ELSE 'Line one of the notes for product ' || i || char(13, 10) || 'Zweite Zeile: äöü ß' END,
       CASE WHEN i % 5 = 0 THEN NULL ELSE randomblob(64 + i) END
FROM n;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
INSERT INTO orders(order_id, customer_id, ordered_at, shipped_at, comment)
SELECT i,
       1 + (i * 7919) % 500,
       datetime('2023-01-01 08:00:00', '+' || (i * 173) || ' minutes'),
       CASE WHEN i % 9 = 0 THEN NULL
            ELSE datetime('2023-01-03 12:30:00', '+' || (i * 173) || ' minutes') END,
       CASE i % 13 WHEN 0 THEN 'Bitte vor 10 Uhr liefern' WHEN 1 THEN 'Livraison à l''accueil'
                   ELSE NULL END
FROM n;

WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 8999)
INSERT INTO order_items(order_id, line_no, product_id, quantity, unit_price)
SELECT 1 + i / 3, 1 + i % 3, 1 + (i * 31) % 120, 1 + i % 6,
       (SELECT price FROM products WHERE product_id = 1 + (i * 31) % 120)
FROM n;

CREATE VIEW order_totals AS
SELECT o.order_id, c.name AS customer, o.ordered_at,
       sum(i.quantity * i.unit_price) AS total, count(*) AS lines
FROM orders o
JOIN customers c ON c.customer_id = o.customer_id
JOIN order_items i ON i.order_id = o.order_id
GROUP BY o.order_id, c.name, o.ordered_at;
